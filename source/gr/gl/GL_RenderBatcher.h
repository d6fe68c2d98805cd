#pragma once

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

namespace gl
{

class GL_ContextBase;

/**
 * Collects consecutive 2D items (lines, untextured quads, image quads) that
 * can share one draw call and draws them with one dynamic primitive of the
 * context. An item joins the pending batch only when it matches the batch
 * in kind, line width (lines), image, shader, whether it carries texture
 * coordinates and colours, and the context's current clip rectangle, alpha,
 * colour saturation, world transform and world-space flag; otherwise the
 * pending batch is drawn first. Image quads of other images join too where
 * the context has a form of the batch's shader for one image more
 * (GL_ContextBase::multiImageShader), up to the context's fragment texture
 * units: the batch is then drawn with that form, every image bound and each
 * quad's vertices saying which image it takes, with the pixels each quad
 * would have in a batch of its own. A form may sample each of its images at
 * every fragment (a software rasterizer runs both sides of a branch), so a
 * batch of several images takes only quads whose fill in its form costs no
 * more than the draw call it saves (MULTI_IMAGE_FILL_BUDGET); larger quads
 * are drawn in batches of one image. A batch whose form costs more than
 * the draw calls it saves is drawn with a call per run of quads of one
 * image instead (MULTI_IMAGE_FILL_BUDGET). Scratch arrays keep their capacity,
 * so steady-state drawing does not allocate.
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

	/**
	 * What one draw call of the batcher costs, in texture samples of a
	 * multi-image form beyond the one of each quad's own image (every image
	 * a form takes is sampled at each fragment). A quad joins a batch of
	 * several images only where its pixels times the form's samplers less
	 * one come to no more than this; and a batch of several images is drawn
	 * in one call of its form only where its quads' extra samples come to
	 * no more than this per draw call it saves (its runs of quads of one
	 * image, less one), otherwise with a call per run. So sprites of up to
	 * 51 pixels join batches of up to 16 images, of up to 109 up to 8, of up
	 * to 256 (16 x 16) up to 4 and of up to 768 two. Measured with the sprite benchmark (1,000
	 * blended sprites, image i mod N, Release, the software rasteriser,
	 * all-threads CPU time a frame, medians of 3): 8 x 8 sprites of 8 images
	 * (448 extra samples per saved call) 6.7 ms in one call against 9.4 ms a
	 * call each; 16 x 16 of 2 (256) 7.5 against 12.1 ms; 16 x 16 of 8 in
	 * fours (1,024) 13.2 against 11.9 ms; 32 x 32 of 2 (1,025) 20.2 against
	 * 21.3 ms. The threshold lies between 448 and 1,024.
	 */
	static constexpr int MULTI_IMAGE_FILL_BUDGET = 768;

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

	/** The batch's first image, null when none. */
	Image* getImage() const { return m_images.empty() ? nullptr : m_images[0].ptr(); }

	/** Whether image is one of the pending batch's images. */
	bool holdsImage(Image const* image) const { return image && imageIndex(image) >= 0; }

	/** Images of the pending batch. */
	int imageCount() const { return int(m_images.size()); }

	/** True while items wait to be drawn. */
	bool pending() const { return !m_positions.empty(); }

	/** Vertices waiting to be drawn. */
	int pendingVertices() const { return int(m_positions.size()); }

private:
	RenderState2D m_state;
	Type m_type;
	GL_ContextBase* m_context;
	/** The batch's images, in the order they joined (index 0 is BASEMAP). */
	std::vector<lang::Ptr<Image>> m_images;
	/** The shader the items asked for. */
	lang::Ptr<Shader> m_shader;
	/** Its form for the batch's images, which draws a batch of several. */
	lang::Ptr<Shader> m_multiShader;
	int m_lineWidth;
	std::vector<math::float3> m_positions;
	std::vector<math::float2> m_uvs;
	std::vector<math::float4> m_colors;
	/** Per vertex of a batch of several images: (index of its image, 0). */
	std::vector<math::float2> m_imageIndices;
	bool m_idle;

	/** The batch's largest quad, in pixels of the target. */
	float m_largestQuad = 0.f;
	/** Pixels of the target the batch's quads cover, summed. */
	float m_batchPixels = 0.f;
	/** Runs of consecutive image quads of one image in the batch. */
	int m_runs = 0;
	/** Index of the image of the batch's last image quad. */
	int m_lastImage = 0;

	bool matches(Type type, Shader* shader, bool hasUvs, bool hasColors, Image* image, int lineWidth, float quadPixels);
	/** Pixels of the target a quad of four corners covers under the context's current transforms. */
	float quadPixels(math::float3 const* corners) const;
	/** Whether quads of quadPixels (and the batch's largest) are small enough for a form of samplers. */
	bool fillAllows(int samplers, float quadPixels) const;
	/** Index of image among the batch's images, -1 when it is not one. */
	int imageIndex(Image const* image) const;
	void add(Type type, Shader* shader, math::float3 const* positions, math::float2 const* uvs,
		math::float4 const* colors, Image* image, int lineWidth);
	void empty();
	/** Whether the pending batch of several images costs less in one call of its form than a call per run (MULTI_IMAGE_FILL_BUDGET). */
	bool multiImagePays() const;
	/**
	 * Draws count pending vertices from first with a form of baseShader
	 * (GL_ContextBase::fragmentForm), images bound to its samplers; with
	 * more than one image the vertices' image indices go too.
	 */
	void draw(int first, int count, Shader* baseShader, Image* const* images, int imageCount);

	GL_RenderBatcher(GL_RenderBatcher const&) = delete;
	GL_RenderBatcher& operator=(GL_RenderBatcher const&) = delete;
};

} // gl
} // gr
