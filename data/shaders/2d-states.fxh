		EnableCulling = FALSE;
		EnableDepthTest = FALSE;
		EnableDepthMask = FALSE;
		VertexShader = 2d.vsh;
		PixelShader = 2d.fsh;
