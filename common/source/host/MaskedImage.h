#pragma once

#include <gr/Context.h>
#include <gr/Image.h>
#include <gr/Shader.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <math/float2.h>
#include <math/float3.h>
#include <vector>

namespace game
{
class Sprite;
}

namespace host
{

/**
 * Textured sprites cut out by a mask: collects quads, each a mask sprite
 * filled with a texture laid by position (tiling, not stretched), and draws
 * them with one primitive and one shader pass per render. One texture image
 * and one mask sheet at a time; an add with another image or mask sheet
 * first renders what was collected. Main thread only.
 */
class MaskedImage : public lang::Object
{
public:
	/**
	 * Chooses the masked shader by the context's platform: 0 the template
	 * "sprite-straightalpha", 1 to 4 the effect "2d-sprite-alpha-masked";
	 * any other platform has none and draws nothing. The context must
	 * outlive this object (held by plain pointer).
	 * @exception gr::GraphicsException The shader cannot be created.
	 */
	explicit MaskedImage(gr::Context* context);
	~MaskedImage() override;

	/**
	 * Appends the mask sprite drawn at (x, y) through the context's 2D render
	 * state, filled with image scaled by (sx, sy). Nothing is added without
	 * image, texture, size, mask or mask sheet, or for a quad wholly off the
	 * screen or with a corner or coordinate that is not finite.
	 */
	void add(float x, float y, gr::Image* image, game::Sprite* mask, float sx, float sy);

	/**
	 * Draws the collected quads with the render state's alpha factor and
	 * empties the collection (storage kept). Nothing without quads; without
	 * shader only the emptying.
	 */
	void render();

	/** Vertices collected since the last render (six per quad). */
	int vertices() const { return int(m_positions.size()); }

private:
	gr::Context* m_context;
	lang::Ptr<gr::Shader> m_shader;
	lang::Ptr<gr::Image> m_image;
	lang::Ptr<gr::Image> m_mask;
	// Kept in the primitive's own component formats (clip-space x, y, z;
	// u, v), so that render() copies each stream without converting it.
	std::vector<math::float3> m_positions;
	std::vector<math::float2> m_uvs;
	std::vector<math::float2> m_maskUvs;

	MaskedImage(MaskedImage const&) = delete;
	MaskedImage& operator=(MaskedImage const&) = delete;
};

} // namespace host
