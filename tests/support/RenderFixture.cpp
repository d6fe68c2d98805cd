#include "RenderFixture.h"

namespace gles2test
{

framework::HeadlessGL* RenderFixture::s_gl = nullptr;
lang::Ptr<gr::gles2::GL_Context> RenderFixture::s_ctx;

} // namespace gles2test
