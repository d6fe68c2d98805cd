-- Lantern Drift, level 1: a meadow with a short wooden gate and one lantern.
filename = "meadow.lua"
gravityForceMultiplier = 3.5
worldGravity = { x = 0, y = 9.8 }
counts = { blocks = 4, flyers = 1 }
doNotWaitForMovingObjects = false
theme = "meadow"
world = {
	ground = { name = "ground", definition = "BLOCK_STATIC_GROUND", type = "box", x = 512, y = 740, angle = 0, scaleX = 8, scaleY = 0.5 },
	postLeft = { name = "postLeft", definition = "BLOCK_WOOD_POST", type = "box", x = 600, y = 640, angle = 0, scale = 1 },
	postRight = { name = "postRight", definition = "BLOCK_WOOD_POST", type = "box", x = 700, y = 640, angle = 0, scale = 1 },
	beam = { name = "beam", definition = "BLOCK_WOOD_BEAM", type = "box", x = 650, y = 560, angle = 0, scaleX = 1.5, scaleY = 1 },
	lantern = { name = "lantern", definition = "FLYER_LANTERN", type = "circle", x = 150, y = 600, angle = 0, scale = 1, startNumber = 1 },
}
