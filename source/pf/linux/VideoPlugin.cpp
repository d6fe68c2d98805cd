#include "VideoPlugin.h"
#include "Plugin.h"

namespace pf
{

namespace
{

Plugin& plugin()
{
	static Plugin p(VIDEO_PLUGIN);
	return p;
}

} // namespace

std::unique_ptr<VideoDecoder> createVideoDecoder(std::string& why)
{
	auto create = reinterpret_cast<EngCreateVideoDecoder>(plugin().function("engCreateVideoDecoder"));
	if (!create)
	{
		why = "the video decoder cannot be loaded: " + plugin().error();
		return nullptr;
	}
	return std::unique_ptr<VideoDecoder>(create());
}

std::unique_ptr<VideoSound> createVideoSound()
{
	auto create = reinterpret_cast<EngCreateVideoSound>(plugin().function("engCreateVideoSound"));
	return std::unique_ptr<VideoSound>(create ? create() : nullptr);
}

} // pf
