-- Lantern Drift, level 3: a tall timber frame under a slate lintel with a
-- gloom hanging from it on a breakable line, a gloom on the lintel and one
-- behind a straw wall. World pixels, the ground's top at y = 0.
filename = "hilltop.lua"
worldGravity = { x = 0, y = 9.8 }
counts = { blocks = 8, flyers = 4 }
theme = "hilltop"
world = {
	ground = { name = "ground", definition = "BLOCK_GROUND", type = "box", x = 512, y = 40, angle = 0, scale = 1 },
	frameLeftLow = { name = "frameLeftLow", definition = "BLOCK_TIMBER_POST", type = "box", x = 708, y = -32, angle = 0, scale = 1 },
	frameLeftHigh = { name = "frameLeftHigh", definition = "BLOCK_TIMBER_POST", type = "box", x = 708, y = -96, angle = 0, scale = 1 },
	frameRightLow = { name = "frameRightLow", definition = "BLOCK_TIMBER_POST", type = "box", x = 772, y = -32, angle = 0, scale = 1 },
	frameRightHigh = { name = "frameRightHigh", definition = "BLOCK_TIMBER_POST", type = "box", x = 772, y = -96, angle = 0, scale = 1 },
	lintel = { name = "lintel", definition = "BLOCK_SLATE_PLANK", type = "box", x = 740, y = -136, angle = 0, scale = 1 },
	wallLow = { name = "wallLow", definition = "BLOCK_STRAW_SQUARE", type = "box", x = 880, y = -16, angle = 0, scale = 1 },
	wallHigh = { name = "wallHigh", definition = "BLOCK_STRAW_SQUARE", type = "box", x = 880, y = -48, angle = 0, scale = 1 },
	gloomHanging = { name = "gloomHanging", definition = "TARGET_GLOOM", type = "circle", x = 740, y = -92, angle = 0, scale = 1 },
	gloomLintel = { name = "gloomLintel", definition = "TARGET_GLOOM", type = "circle", x = 740, y = -158, angle = 0, scale = 1 },
	gloomBehind = { name = "gloomBehind", definition = "TARGET_GLOOM", type = "circle", x = 930, y = -14, angle = 0, scale = 1 },
}
joints = {
	{ name = "hangingLine", type = 1, end1 = "lintel", end2 = "gloomHanging", coordType = 0, frequency = 3, dampingRatio = 0.4, breakable = true, breakForce = 2 },
}
