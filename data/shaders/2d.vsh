// Vertex stage of the built-in 2D effects. Positions arrive in normalised
// device coordinates; PROJTM is the projection times the batch's world
// transform. Vertex colours are 0..1. PAIRED (and IMAGES4, IMAGES8,
// IMAGES16): the first texture coordinate of set 1 is the index of the
// image the vertex takes, 0 for BASEMAP, 1 for BASEMAP2 and so on.
attribute vec4 DT_POSITION;
attribute vec4 DT_DIFFUSE;
uniform mat4 PROJTM;
varying vec4 v_color;
#ifdef TEXTURED
attribute vec2 DT_TEX0;
varying vec2 v_uv;
#endif
#ifdef MASKED
attribute vec2 DT_TEX1;
varying vec2 v_maskUv;
#endif
#if defined(PAIRED) || defined(IMAGES4) || defined(IMAGES8) || defined(IMAGES16)
#define IMAGE_INDEX
attribute vec2 DT_TEX1;
varying float v_image;
#endif

void main()
{
	gl_Position = PROJTM * DT_POSITION;
	v_color = DT_DIFFUSE;
#ifdef TEXTURED
	v_uv = DT_TEX0;
#endif
#ifdef MASKED
	v_maskUv = DT_TEX1;
#endif
#ifdef IMAGE_INDEX
	v_image = DT_TEX1.x;
#endif
}
