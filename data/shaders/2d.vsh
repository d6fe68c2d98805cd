// Vertex stage of the built-in 2D effects. Positions arrive in normalised
// device coordinates; PROJTM is the projection times the batch's world
// transform. Vertex colours are 0..1. PAIRED: the first texture coordinate
// of set 1 is 0 where the vertex takes BASEMAP, 1 where it takes BASEMAP2.
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
#ifdef PAIRED
attribute vec2 DT_TEX1;
varying float v_second;
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
#ifdef PAIRED
	v_second = DT_TEX1.x;
#endif
}
