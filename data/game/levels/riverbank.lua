-- Lantern Drift, level 2: a slate arch and a straw hut by the river, with a
-- gravity well in the sky that bends the lanterns' paths. World pixels, the
-- ground's top at y = 0.
filename = "riverbank.lua"
worldGravity = { x = 0, y = 9.8 }
counts = { blocks = 6, flyers = 3 }
theme = "riverbank"
world = {
	bank = { name = "ground", definition = "BLOCK_GROUND", type = "box", x = 512, y = 40, angle = 0, scale = 1 },
	archLeft = { name = "archLeft", definition = "BLOCK_SLATE_POST", type = "box", x = 600, y = -32, angle = 0, scale = 1 },
	archRight = { name = "archRight", definition = "BLOCK_SLATE_POST", type = "box", x = 680, y = -32, angle = 0, scale = 1 },
	archTop = { name = "archTop", definition = "BLOCK_SLATE_PLANK", type = "box", x = 640, y = -72, angle = 0, scale = 1 },
	hutLeft = { name = "hutLeft", definition = "BLOCK_STRAW_POST", type = "box", x = 800, y = -32, angle = 0, scale = 1 },
	hutRight = { name = "hutRight", definition = "BLOCK_STRAW_POST", type = "box", x = 880, y = -32, angle = 0, scale = 1 },
	hutRoof = { name = "hutRoof", definition = "BLOCK_STRAW_PLANK", type = "box", x = 840, y = -72, angle = 0, scale = 1 },
	gloomArch = { name = "gloomArch", definition = "TARGET_GLOOM", type = "circle", x = 640, y = -14, angle = 0, scale = 1 },
	gloomHut = { name = "gloomHut", definition = "TARGET_GLOOM", type = "circle", x = 840, y = -14, angle = 0, scale = 1 },
	gloomRoof = { name = "gloomRoof", definition = "TARGET_GLOOM", type = "circle", x = 840, y = -94, angle = 0, scale = 1 },
	well = { name = "well", definition = "SENSOR_WELL", type = "circle", x = 460, y = -330, angle = 0, scale = 1,
		sensorType = "gravitation", gravitationMinForce = 2, gravitationMaxForce = 10, radius = 140 },
}
