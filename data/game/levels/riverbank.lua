-- Lantern Drift, level 2: a stone arch by the river under a gravity well.
filename = "riverbank.lua"
worldGravity = { x = 0, y = 9.8 }
counts = { blocks = 3, flyers = 2 }
theme = "river"
world = {
	bank = { name = "bank", definition = "BLOCK_STATIC_GROUND", type = "box", x = 512, y = 750, angle = 0, scaleX = 8, scaleY = 0.4 },
	archLeft = { name = "archLeft", definition = "BLOCK_STONE_PILLAR", type = "box", x = 640, y = 650, angle = 0, scale = 1.2 },
	archTop = { name = "archTop", definition = "BLOCK_STONE_ARCH", type = "polygon", x = 700, y = 560, angle = 0.1, scale = 1 },
	well = { name = "well", definition = "BLOCK_SENSOR_WELL", type = "circle", x = 400, y = 300, angle = 0, scale = 1,
		sensorType = "gravitation", gravitationMinForce = 2, gravitationMaxForce = 12, radius = 140 },
	lantern = { name = "lantern", definition = "FLYER_LANTERN", type = "circle", x = 150, y = 600, angle = 0, scale = 1, startNumber = 1 },
}
