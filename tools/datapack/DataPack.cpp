#include "DataPack.h"
#include <lang/Exception.h>
#include <archive.h>
#include <archive_entry.h>
#include <clocale>
#include <locale.h>
#include <memory>

namespace datapack
{

namespace
{

/** libarchive's write callback: appends to the byte vector. */
la_ssize_t append(archive*, void* data, void const* buffer, size_t size)
{
	cipher::Bytes& out = *static_cast<cipher::Bytes*>(data);
	unsigned char const* bytes = static_cast<unsigned char const*>(buffer);
	out.insert(out.end(), bytes, bytes + size);
	return static_cast<la_ssize_t>(size);
}

/** The writer turns entry names into UTF-16 through the thread's character set: UTF-8 while packing. */
class Utf8Locale
{
public:
	Utf8Locale() :
		m_utf8(newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr)),
		m_old(m_utf8 ? uselocale(m_utf8) : nullptr)
	{
	}
	~Utf8Locale()
	{
		if (m_utf8)
		{
			uselocale(m_old);
			freelocale(m_utf8);
		}
	}

private:
	locale_t m_utf8;
	locale_t m_old;
};

struct WriterFree
{
	void operator()(archive* a) const { archive_write_free(a); }
};

struct EntryFree
{
	void operator()(archive_entry* e) const { archive_entry_free(e); }
};

} // namespace

cipher::Bytes packArchive(std::string const& name, std::string const& text)
{
	Utf8Locale locale;
	cipher::Bytes out;
	std::unique_ptr<archive, WriterFree> a(archive_write_new());
	auto check = [&](bool ok) {
		if (!ok)
		{
			char const* why = a ? archive_error_string(a.get()) : nullptr;
			lang::throwError(lang::Exception(lang::Format("Failed to write the archive of {0}: {1}", name, why ? why : "no memory")));
		}
	};
	check(a != nullptr);
	check(archive_write_set_format_7zip(a.get()) == ARCHIVE_OK);
	check(archive_write_open(a.get(), &out, nullptr, append, nullptr) == ARCHIVE_OK);
	std::unique_ptr<archive_entry, EntryFree> entry(archive_entry_new());
	check(entry != nullptr);
	archive_entry_set_pathname(entry.get(), name.c_str());
	archive_entry_set_filetype(entry.get(), AE_IFREG);
	archive_entry_set_perm(entry.get(), 0644);
	archive_entry_set_size(entry.get(), static_cast<la_int64_t>(text.size()));
	archive_entry_set_mtime(entry.get(), 0, 0);
	check(archive_write_header(a.get(), entry.get()) == ARCHIVE_OK);
	if (!text.empty())
		check(archive_write_data(a.get(), text.data(), text.size()) == static_cast<la_ssize_t>(text.size()));
	check(archive_write_close(a.get()) == ARCHIVE_OK);
	return out;
}

cipher::Bytes packShippedFile(std::string const& name, std::string const& text)
{
	cipher::Bytes const archive = packArchive(name, text);
	cipher::Bytes out;
	if (!cipher::encrypt(cipher::getStaticKey(), archive, out))
		lang::throwError(lang::Exception(lang::Format("Failed to encrypt {0}", name)));
	return out;
}

} // datapack
