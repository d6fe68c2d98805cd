#include <support/PixelReadBack.h>
#include <gr/Context.h>
#include <io/ByteArrayOutputStream.h>
#include <io/FileFormat.h>
#include <GLES2/gl2.h>

namespace test
{

RGBA readPixel(int x, int y)
{
	unsigned char px[4] = {};
	glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
	return {px[0], px[1], px[2], px[3]};
}

std::vector<std::uint8_t> readPixels(int width, int height)
{
	std::vector<std::uint8_t> rgba(std::size_t(width) * height * 4);
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
	return rgba;
}

std::vector<unsigned char> capturePixels(gr::Context& context)
{
	io::ByteArrayOutputStream out;
	context.capture(out, io::FILEFORMAT_RAW);
	return out.data();
}

} // namespace test
