#pragma once

#include <host/Core.h>
#include <host/MaskedImages.h>
#include <host/RubberBands.h>
#include <host/ScriptRenderState.h>
#include <host/ShapeDrawing.h>
#include <host/TextDrawing.h>

namespace host
{

/**
 * What the scripts draw themselves, by concept: the 2D render state,
 * shapes, sprites stretched along segments (rubber bands), the masked images
 * of textured scene objects (which the scene draws too) and text. Owns
 * each; dropped with the host, before the context goes.
 *
 * Main thread only.
 */
class ScriptDrawing
{
public:
	/** Makes each part over core (the text part makes the clippedText table); nothing else is made or changed. */
	explicit ScriptDrawing(Core const& core) :
		m_renderState(core), m_shapes(core), m_rubberBands(core), m_maskedImages(core), m_text(core)
	{
	}

	ScriptDrawing(ScriptDrawing const&) = delete;
	ScriptDrawing& operator=(ScriptDrawing const&) = delete;

	ScriptRenderState& renderState() { return m_renderState; }
	ShapeDrawing& shapes() { return m_shapes; }
	RubberBands& rubberBands() { return m_rubberBands; }
	MaskedImages& maskedImages() { return m_maskedImages; }
	TextDrawing& text() { return m_text; }

private:
	ScriptRenderState m_renderState;
	ShapeDrawing m_shapes;
	RubberBands m_rubberBands;
	MaskedImages m_maskedImages;
	TextDrawing m_text;
};

} // namespace host
