// Fragment stage of the built-in 2D effects.
//   TEXTURED:      modulate by BASEMAP
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

void main()
{
	vec4 c = v_color;
#ifdef TEXTURED
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
