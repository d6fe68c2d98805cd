// Fragment stage of the built-in 2D effects.
//   TEXTURED:      modulate by BASEMAP
//   PAIRED:        (with TEXTURED) each sprite modulated by BASEMAP or
//                  BASEMAP2, as its vertices say: two images in one batch
//   MASKED:        multiply by the alpha of BASEMAP1 (texture coordinates 1)
//   PREMULTIPLIED: ALPHA_FACTOR scales all four channels (blending ONE,
//                  ONE_MINUS_SRC_ALPHA); otherwise only alpha
// COLOR_SATURATION 1 keeps the colour, 0 gives its grey.
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
#ifdef PAIRED
uniform sampler2D BASEMAP2;
varying float v_second;
#endif

void main()
{
	vec4 c = v_color;
#ifdef PAIRED
	// Both are sampled and one kept whole, so that a sprite's pixels are
	// those it has when drawn on its own.
	vec4 first = texture2D(BASEMAP, v_uv);
	vec4 second = texture2D(BASEMAP2, v_uv);
	c *= v_second < 0.5 ? first : second;
#elif defined(TEXTURED)
	c *= texture2D(BASEMAP, v_uv);
#endif
	float grey = dot(c.rgb, vec3(0.299, 0.587, 0.114));
	c.rgb = mix(vec3(grey), c.rgb, COLOR_SATURATION);
#ifdef PREMULTIPLIED
	c *= ALPHA_FACTOR;
#else
	c.a *= ALPHA_FACTOR;
#endif
#ifdef MASKED
	c *= texture2D(BASEMAP1, v_maskUv).a;
#endif
	gl_FragColor = c;
}
