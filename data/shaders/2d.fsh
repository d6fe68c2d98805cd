// Fragment stage of the built-in 2D effects.
//   TEXTURED:      modulate by BASEMAP
//   PAIRED:        (with TEXTURED) several images in one batch: each sprite
//                  modulated by the image its vertices name, BASEMAP or
//                  BASEMAP2; IMAGES4, IMAGES8 and IMAGES16 add BASEMAP3 up
//                  to BASEMAP4, BASEMAP8 or BASEMAP16
//   MASKED:        multiply by the alpha of BASEMAP1 (texture coordinates 1)
//   PREMULTIPLIED: ALPHA_FACTOR scales all four channels (blending ONE,
//                  ONE_MINUS_SRC_ALPHA); otherwise only alpha
// COLOR_SATURATION 1 keeps the colour, 0 gives its grey.
//   FULL_SATURATION: the form for COLOR_SATURATION 1, without the grey mix
//   FULL_ALPHA:      the form for ALPHA_FACTOR 1, without the factor
// (both give the same bytes as the full form at 1: mix(g, c, 1.0) and
// c * 1.0 are c exactly).
precision mediump float;
uniform float ALPHA_FACTOR;
uniform float COLOR_SATURATION;
varying vec4 v_color;
#ifdef TEXTURED
uniform sampler2D BASEMAP;
varying vec2 v_uv;
#endif
#ifdef MASKED
uniform sampler2D BASEMAP1;
varying vec2 v_maskUv;
#endif
#ifdef IMAGES16
#define IMAGES8
#endif
#ifdef IMAGES8
#define IMAGES4
#endif
#ifdef IMAGES4
#define PAIRED
#endif
#ifdef PAIRED
uniform sampler2D BASEMAP2;
varying float v_image;
#endif
#ifdef IMAGES4
uniform sampler2D BASEMAP3;
uniform sampler2D BASEMAP4;
#endif
#ifdef IMAGES8
uniform sampler2D BASEMAP5;
uniform sampler2D BASEMAP6;
uniform sampler2D BASEMAP7;
uniform sampler2D BASEMAP8;
#endif
#ifdef IMAGES16
uniform sampler2D BASEMAP9;
uniform sampler2D BASEMAP10;
uniform sampler2D BASEMAP11;
uniform sampler2D BASEMAP12;
uniform sampler2D BASEMAP13;
uniform sampler2D BASEMAP14;
uniform sampler2D BASEMAP15;
uniform sampler2D BASEMAP16;
#endif

#ifdef PAIRED
// The texel of the sprite's own image; v_image is the same at all of a
// sprite's vertices, so all its fragments, and their neighbours in the
// derivatives, take the same branch.
vec4 imageTexel()
{
	vec4 t;
	if (v_image < 0.5)
		t = texture2D(BASEMAP, v_uv);
#ifdef IMAGES4
	else if (v_image < 1.5)
		t = texture2D(BASEMAP2, v_uv);
	else if (v_image < 2.5)
		t = texture2D(BASEMAP3, v_uv);
#endif
#ifdef IMAGES8
	else if (v_image < 3.5)
		t = texture2D(BASEMAP4, v_uv);
	else if (v_image < 4.5)
		t = texture2D(BASEMAP5, v_uv);
	else if (v_image < 5.5)
		t = texture2D(BASEMAP6, v_uv);
	else if (v_image < 6.5)
		t = texture2D(BASEMAP7, v_uv);
#endif
#ifdef IMAGES16
	else if (v_image < 7.5)
		t = texture2D(BASEMAP8, v_uv);
	else if (v_image < 8.5)
		t = texture2D(BASEMAP9, v_uv);
	else if (v_image < 9.5)
		t = texture2D(BASEMAP10, v_uv);
	else if (v_image < 10.5)
		t = texture2D(BASEMAP11, v_uv);
	else if (v_image < 11.5)
		t = texture2D(BASEMAP12, v_uv);
	else if (v_image < 12.5)
		t = texture2D(BASEMAP13, v_uv);
	else if (v_image < 13.5)
		t = texture2D(BASEMAP14, v_uv);
	else if (v_image < 14.5)
		t = texture2D(BASEMAP15, v_uv);
	else
		t = texture2D(BASEMAP16, v_uv);
#elif defined(IMAGES8)
	else
		t = texture2D(BASEMAP8, v_uv);
#elif defined(IMAGES4)
	else
		t = texture2D(BASEMAP4, v_uv);
#else
	else
		t = texture2D(BASEMAP2, v_uv);
#endif
	return t;
}
#endif

void main()
{
	vec4 c = v_color;
#ifdef PAIRED
	c *= imageTexel();
#elif defined(TEXTURED)
	c *= texture2D(BASEMAP, v_uv);
#endif
#ifndef FULL_SATURATION
	float grey = dot(c.rgb, vec3(0.299, 0.587, 0.114));
	c.rgb = mix(vec3(grey), c.rgb, COLOR_SATURATION);
#endif
#ifndef FULL_ALPHA
#ifdef PREMULTIPLIED
	c *= ALPHA_FACTOR;
#else
	c.a *= ALPHA_FACTOR;
#endif
#endif
#ifdef MASKED
	c *= texture2D(BASEMAP1, v_maskUv).a;
#endif
	gl_FragColor = c;
}
