#pragma once

#include "GL_Namespace.h"
#include <gr/Image.h>
#include <gr/RenderState2D.h>
#include <gr/Shader.h>
#include <lang/Ptr.h>
#include <math/float2.h>
#include <math/float3.h>
#include <math/float4.h>
#include <vector>

namespace gr
{

class Context;

namespace GR_GL_NS
{

class GL_ContextBase;

/**
 * Collects consecutive 2D items (lines, untextured quads, image quads) that
 * can share one draw call and draws them with one dynamic primitive of the
 * context. An item joins the pending batch only when it matches the batch
 * in kind, line width (lines), image, shader, whether it carries texture
 * coordinates and colours, and the context's current clip rectangle, alpha,
 * colour saturation, world transform and world-space flag; otherwise the
 * pending batch is drawn first. Image quads of a second image join too
 * where the context has a paired form of the batch's shader
 * (GL_ContextBase::pairedShader): the batch is then drawn with it, both
 * images bound and each quad's vertices saying which image it takes, with
 * the pixels each quad would have in a batch of its own. Scratch arrays
 * keep their capacity, so steady-state drawing does not allocate.
 *
 * One per context. Main thread only.
 */
class GL_RenderBatcher
{
public:
	/** Item kinds. */
	enum Type
	{
		/** Two vertices per item. */
		TYPE_LINES = 0,
		/** Untextured quads of four corners. */
		TYPE_QUADS = 1,
		/** Image quads of four corners. */
		TYPE_IMAGE_QUADS = 2,
	};

	/** Empty batcher drawing through context (not owned). */
	explicit GL_RenderBatcher(GL_ContextBase* context);

	/** Releases the references; does not draw. */
	~GL_RenderBatcher();

	/**
	 * Adds one item. Positions are two (lines) or four corners (top-left,
	 * top-right, bottom-left, bottom-right) in normalised device
	 * coordinates; uvs and colors (0..255 per channel) may be null.
	 */
	void render(Type type, Shader* shader, math::float3 const* positions, math::float2 const* uvs,
		math::float4 const* colors, Image* image, int lineWidth);

	/**
	 * Draws the pending batch, if any, and empties it. A batch without a
	 * shader and without an image is dropped. Re-entrant calls do nothing.
	 */
	void flush();

	/** Drops the pending batch without drawing it. */
	void reset();

	/** The batch image, null when none. */
	Image* getImage() const { return m_image; }

	/** The batch's second image (paired batches), null when none. */
	Image* getSecondImage() const { return m_secondImage; }

	/** True while items wait to be drawn. */
	bool pending() const { return !m_positions.empty(); }

	/** Vertices waiting to be drawn. */
	int pendingVertices() const { return int(m_positions.size()); }

private:
	RenderState2D m_state;
	Type m_type;
	GL_ContextBase* m_context;
	lang::Ptr<Image> m_image;
	lang::Ptr<Image> m_secondImage;
	/** The shader the items asked for. */
	lang::Ptr<Shader> m_shader;
	/** Its paired form, which draws the batch once it has a second image. */
	lang::Ptr<Shader> m_pairedShader;
	int m_lineWidth;
	std::vector<math::float3> m_positions;
	std::vector<math::float2> m_uvs;
	std::vector<math::float4> m_colors;
	/** Per vertex of a paired batch: (0, 0) for the first image, (1, 0) for the second. */
	std::vector<math::float2> m_seconds;
	bool m_idle;

	bool matches(Type type, Shader* shader, bool hasUvs, bool hasColors, Image* image, int lineWidth);
	void add(Type type, Shader* shader, math::float3 const* positions, math::float2 const* uvs,
		math::float4 const* colors, Image* image, int lineWidth);
	void empty();

	GL_RenderBatcher(GL_RenderBatcher const&) = delete;
	GL_RenderBatcher& operator=(GL_RenderBatcher const&) = delete;
};

} // GR_GL_NS
} // gr
