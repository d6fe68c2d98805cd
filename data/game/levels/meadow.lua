-- Lantern Drift, level 1: a meadow with a timber gate, a gloom under its
-- beam and one on a straw block on top. World pixels, the ground's top at
-- y = 0. The beam is welded to the right post; a hard hit breaks the weld.
filename = "meadow.lua"
gravityForceMultiplier = 3.5
worldGravity = { x = 0, y = 9.8 }
counts = { blocks = 6, flyers = 3 }
theme = "dusk"
world = {
	ground = { name = "ground", definition = "BLOCK_GROUND", type = "box", x = 512, y = 40, angle = 0, scale = 1 },
	postLeft = { name = "postLeft", definition = "BLOCK_TIMBER_POST", type = "box", x = 640, y = -32, angle = 0, scale = 1 },
	postRight = { name = "postRight", definition = "BLOCK_TIMBER_POST", type = "box", x = 720, y = -32, angle = 0, scale = 1 },
	beam = { name = "beam", definition = "BLOCK_TIMBER_PLANK", type = "box", x = 680, y = -72, angle = 0, scale = 1 },
	strawTop = { name = "strawTop", definition = "BLOCK_STRAW_SQUARE", type = "box", x = 680, y = -96, angle = 0, scale = 1 },
	strawLow = { name = "strawLow", definition = "BLOCK_STRAW_SQUARE", type = "box", x = 840, y = -16, angle = 0, scale = 1 },
	strawHigh = { name = "strawHigh", definition = "BLOCK_STRAW_SQUARE", type = "box", x = 840, y = -48, angle = 0, scale = 1 },
	gloomUnder = { name = "gloomUnder", definition = "TARGET_GLOOM", type = "circle", x = 680, y = -14, angle = 0, scale = 1 },
	gloomTop = { name = "gloomTop", definition = "TARGET_GLOOM", type = "circle", x = 680, y = -126, angle = 0, scale = 1 },
}
joints = {
	{ name = "gateWeld", type = 2, end1 = "beam", end2 = "postRight", coordType = 0, x1 = 1.6, y1 = 0, x2 = 0, y2 = -1.6, breakable = true, breakForce = 3 },
}
