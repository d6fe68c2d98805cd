#pragma once

#include "GL_StateBase.h"

namespace gr
{
namespace gl
{

/**
 * The setters of GL_StateBase as static functions on a back end's
 * process-wide shadow State::sm_current (State derives from this class):
 * State::cullFace(...). Each skips the GL call when the shadow already
 * holds the value. Main thread only.
 */
template <class State>
class GL_StateSetters : public GL_StateBase
{
public:
	static void enable(unsigned int cap) { State::sm_current.GL_StateBase::enable(cap); }
	static void disable(unsigned int cap) { State::sm_current.GL_StateBase::disable(cap); }
	static void cullFace(unsigned int mode) { State::sm_current.GL_StateBase::cullFace(mode); }
	static void depthMask(bool flag) { State::sm_current.GL_StateBase::depthMask(flag); }
	static void depthFunc(unsigned int func) { State::sm_current.GL_StateBase::depthFunc(func); }
	static void blendFunc(unsigned int src, unsigned int dst) { State::sm_current.GL_StateBase::blendFunc(src, dst); }
	static void frontFace(unsigned int mode) { State::sm_current.GL_StateBase::frontFace(mode); }
	static void viewport(int x, int y, int width, int height) { State::sm_current.GL_StateBase::viewport(x, y, width, height); }
	static void clearColor(float r, float g, float b, float a) { State::sm_current.GL_StateBase::clearColor(r, g, b, a); }
	static void activeTexture(unsigned int texture) { State::sm_current.GL_StateBase::activeTexture(texture); }
	static void bindTexture(unsigned int target, unsigned int name) { State::sm_current.GL_StateBase::bindTexture(target, name); }
	static void bindBuffer(unsigned int target, unsigned int buffer) { State::sm_current.GL_StateBase::bindBuffer(target, buffer); }

protected:
	/** As GL_StateBase. */
	GL_StateSetters(unsigned int const* caps, int capCount, bool texturingReachesGL) :
		GL_StateBase(caps, capCount, texturingReachesGL)
	{
	}
};

} // gl
} // gr
