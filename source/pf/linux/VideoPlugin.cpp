#include "VideoPlugin.h"
#include "Plugin.h"

namespace pf
{

namespace
{

Plugin& decoderPlugin()
{
	static Plugin p(VIDEO_PLUGIN);
	return p;
}

} // namespace

std::unique_ptr<VideoDecoder> createVideoDecoder(std::string& why)
{
	auto create = reinterpret_cast<EngCreateVideoDecoder>(decoderPlugin().function("engCreateVideoDecoder"));
	if (!create)
	{
		why = "the video decoder cannot be loaded: " + decoderPlugin().error();
		return nullptr;
	}
	return std::unique_ptr<VideoDecoder>(create());
}

std::unique_ptr<VideoSound> createVideoSound()
{
	auto create = reinterpret_cast<EngCreateVideoSound>(decoderPlugin().function("engCreateVideoSound"));
	return std::unique_ptr<VideoSound>(create ? create() : nullptr);
}

} // pf
