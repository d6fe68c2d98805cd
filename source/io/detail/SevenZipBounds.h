#pragma once

namespace io
{
namespace detail
{

struct ArchiveSource;

/** Most bytes a 7z archive's header may take, stored or decoded: 16 MiB. */
constexpr long long SEVENZIP_MAX_HEADER = 16LL << 20;

/** Largest dictionary (LZMA, LZMA2) or model (PPMd) a 7z coder may ask for: 256 MiB. */
constexpr long long SEVENZIP_MAX_CODER_MEMORY = 256LL << 20;

/** Largest entry the 7z reader extracts: 256 MiB (a larger one extracts as a failure, an empty stream). */
constexpr long long SEVENZIP_MAX_ENTRY = 256LL << 20;

/**
 * Checks what a 7z archive's headers declare before the decoder allocates
 * for it: the signature; the next header's offset and size against the
 * archive and SEVENZIP_MAX_HEADER; for a compressed header, its packed
 * streams against the archive, its decoded size against
 * SEVENZIP_MAX_HEADER and its coders' memory; for a plain header, the
 * counts of streams, folders, coders and files against the header's bytes
 * and every coder's memory against SEVENZIP_MAX_CODER_MEMORY.
 * Reads through src from its start; leaves its position anywhere.
 * @return True when the archive may be handed to the decoder; false when
 *         it is refused or the stream failed (the failure is kept in src).
 */
bool checkSevenZipBounds(ArchiveSource& src);

} // detail
} // io
