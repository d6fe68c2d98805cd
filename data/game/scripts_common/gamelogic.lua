-- Lantern Drift: the engine's sample game. A lantern keeps drifting across
-- the sky while the game runs; once a second the game reports how far it has come. A small
-- stack of crates settles on the dock, and the game says at which frame
-- nothing in the world is awake any more. Before the launch a stream of dots
-- runs along the predicted path of a ball; at frame LAUNCH_FRAME the ball
-- flies over the crates, leaving a trail, and bursts into sparks on a stone
-- target. The level is drawn over its theme: a sky, far mountains with a
-- drifting cloud, the ground and near hills; the score and a hint in a box
-- are drawn over it.
-- The script runs inside the host table: the engine's functions and the
-- tables it shares (settings, highscores, touches, ...) are plain names
-- here, the Lua libraries are reached through _G.

local format = _G.string.format
local floor = _G.math.floor

drift = 0
elapsed = 0
nextReport = 1
frame = 0
stackAwake = true

-- The dock and three crates, slightly apart so that they drop onto each
-- other; the world's gravity pulls them down.
local CRATES = { "crate1", "crate2", "crate3" }
local GRAVITY = 10

-- The ball (metres, metres per second): launched from the left, high over
-- the crates, onto the target on the right. Scene pixels are 20 per metre.
local LAUNCH_FRAME = 64
local LAUNCH = { x = -10, y = -4, vx = 23.75, vy = -4 }
local TARGET = { x = 9, y = -4 }
local PIXELS_PER_METRE = 20
flying = false
flyerHit = false

-- Crates of two sheets share one depth: each sheet's crates are drawn together.
local CRATE_SPRITES = { "crate", "block_stone", "crate" }

local function buildStack()
	setLevelLimits(-100, -100, 100, 100)
	createBox("dock", "block_wood", 0, 0.5, 12, 1, 0, 0.6, 0, true, false, 1)
	setScale("dock", 5, 1.25)
	-- The dock is the menu sheet tiled as a texture and cut out by its plank sprite.
	setTexture("dock", "menu")
	setTextureScale("dock", 1)
	for i, name in _G.ipairs(CRATES) do
		createBox(name, CRATE_SPRITES[i], 0.1 * i, -0.55 - 1.05 * (i - 1), 1, 1, 1, 0.6, 0, true, false, 2)
		setScale(name, 1.25, 1.25)
	end
	-- The target: a stone post the ball passes into (a sensor, so it only reports).
	createBox("target", "block_stone", TARGET.x, TARGET.y, 1, 1, 0, 0.5, 0, true, false, 2)
	setScale("target", 1.25, 1.25)
	setAsSensor("target", true)
	-- Tracked, so that the trails are drawn (just before it).
	setObjectParameter("target", 1, 1)
	setWorldGravity(0, GRAVITY)
	setPhysicsEnabled(true)
end

-- The predicted path: a stand-in for the ball at the launch point, moved by
-- the prediction only and removed before the world steps again.
local function aim()
	createCircle("FlyerSimulation", "ball", LAUNCH.x, LAUNCH.y, 0.4, 1, 0.5, 0, true, false, 3)
	setVelocity("FlyerSimulation", LAUNCH.vx, LAUNCH.vy)
	ClearSimulationTrajectory()
	updateFlyerTrajectoryTable()
	removeObject("FlyerSimulation")
	setAimingAidSprite("dot")
	enableAimingAid(true)
end

-- The sparks of the burst, in scene pixels.
particleTable = {
	particles = {
		spark = {
			sprites = { "spark" },
			lifeTime = 1.2,
			minVel = 30, maxVel = 110,
			minAngleEmitter = 0, maxAngleEmitter = 360,
			minAngle = 0, maxAngle = 360,
			minAngleVel = -6, maxAngleVel = 6,
			minScaleBegin = 1.5, maxScaleBegin = 2.5,
			minScaleEnd = 0.5, maxScaleEnd = 0.8,
			gravityY = 60,
		},
	},
}

local function launch()
	enableAimingAid(false)
	clearAimingAid(0)
	createCircle("flyer", "ball", LAUNCH.x, LAUNCH.y, 0.4, 1, 0.5, 0.2, true, false, 3)
	setVelocity("flyer", LAUNCH.vx, LAUNCH.vy)
	startNewTrajectory()
	setNormalTrailSprite("dot")
	setSpecialTrailSprite("star")
	flying = true
end

-- While the ball flies: a trail point every third frame; on the hit the
-- sparks and the puff, and the ball is gone.
local function fly()
	local flyer = objects.world.flyer
	if not flyer then
		flying = false
		return
	end
	local x = flyer.x * PIXELS_PER_METRE
	local y = flyer.y * PIXELS_PER_METRE
	if frame > LAUNCH_FRAME + 180 then
		removeObject("flyer")
		flying = false
	elseif flyerHit then
		particles.addParticles("spark", 30, x, y, 8, 8, 0)
		addPuffToTrajectory(0, x, y)
		removeObject("flyer")
		flying = false
		print(format("Lantern Drift: the ball hit the target at frame %d\n", frame))
	elseif frame % 3 == 0 then
		addToTrajectory(0, x, y)
	end
end

-- The level's theme. The mountains (scaled 4) span the screen's width and
-- stand on the ground line; the hills are the foreground layer, drawn just
-- before the dock's depth, and their first copy's foot is the ground.
themes = {
	dock = {
		skyColor = { r = 120, g = 180, b = 235 },
		groundColor = { r = 110, g = 80, b = 50 },
		bgLayers = { { sprite = "mountains", scale = 4, posX = 256, offsetY = 268 } },
		fgLayers = { { "hills", "hills", 1, 1, 0 } },
	},
}
screen = { x = 0, y = 0 }
local FOREGROUND_DEPTH = 1

-- Two screen pixels per world pixel; the world's origin lies at the middle
-- of the screen, 60% of the way down (the ground line).
local function setUpView()
	setTheme("dock")
	setBGColor(120, 180, 235)
	setWorldScale(2)
	setTopLeft(-screenWidth / 4, -0.3 * screenHeight)
	setCameraLimits(60)
	createThemeSprite("cloud", "cloud", 600, -42, 0.5, 0.5, 0, 0, 0, false, 60, 0)
	createThemeSprite("lantern", "star", 800, 40, 0.5, 0.5, 0, 0, 0, false, 40, 0)
end

-- Called once the game logic has run: counts the launches in the settings.
function updateValues()
	settings.launches = (settings.launches or 0) + 1
	print(format("Lantern Drift: launch %d\n", settings.launches))
end

-- The world's settings, read by the host whenever a level loads.
worldAttributes = {
	defaultGravityForceMultiplier = 4,
	simulationIterations = 28,
	simulationTimeStepMultiplier = 1,
	simulationStorePointsSampler = 2,
	simulationAimSpawnTime = 0.1,
	simulationAimSpeed = 20,
}
-- Objects destroyed during a step; the host fills it, removeBlocks empties it.
deadBlocks = {}

-- Loads level name of the levels folder and counts its objects.
function startLevel(name)
	loadLevel(levelPath .. "/" .. name)
	local objects = 0
	for _ in _G.pairs(loadedObjects.world or {}) do
		objects = objects + 1
	end
	print(format("Lantern Drift: level %s with %d objects\n", name, objects))
end

-- Called once at start-up, after every start-up file is loaded.
function createStartUpAssets()
	local levels = 0
	for _ in _G.pairs(starTable or {}) do
		levels = levels + 1
	end
	print(format("Lantern Drift: %d levels with star limits\n", levels))
	-- Sound, the menu sheet, the font and the basic texts, through res.
	res.createAudioOutput(2, 16, 44100)
	res.createAudio(audioPath .. "/hit.wav", "hit", false)
	-- The looping sounds the frame loop plays while objects roll.
	for _, clip in _G.ipairs({ "wood_rolling", "rock_rolling", "light_rolling" }) do
		res.createAudio(audioPath .. "/" .. clip .. ".wav", clip, false)
	end
	res.createSpriteSheet("sprites/menu.dat")
	res.createBitmapFont(fontPath .. "/blocky.dat")
	res.useFont("blocky")
	res.createTextGroupSet(localizationPath .. "/TEXTS_BASIC.dat")
	res.createSpriteSheet("sprites/scenery.dat")

	startLevel("meadow")
	setUpView()
	buildStack()
	aim()
end

-- Before each physics step: no forces of the game's own.
function applyForcesAtPhysicsStep()
end

function removeBlocks()
end

function clearLuaForceFunctions()
end

-- Contacts: the crates have no strength, so a bump only tells the game.
-- The ball entering the target's sensor is the hit.
function enterCollision(nameA, nameB)
	if (nameA == "flyer" and nameB == "target") or (nameA == "target" and nameB == "flyer") then
		flyerHit = true
	end
end

function exitCollision(nameA, nameB)
end

function flyerCollision(flyer, other, impact, damage)
end

function blockCollision(nameA, nameB, impact, hit, unused, lastHit)
end

-- A start-up file that failed to load.
function onLoadLuaFileFail(file)
	print(format("Lantern Drift: could not load %s\n", file))
end

function gameResumed()
	print("Lantern Drift: resumed\n")
end

function gamePaused()
	print("Lantern Drift: paused\n")
end

function resolutionChanged()
	print(format("Lantern Drift: screen %d x %d\n", screenWidth, screenHeight))
end

-- One frame: dt is the game's time step, rawDt the wall-clock frame time.
-- The first frame rings the hit sound once.
function update(dt, rawDt)
	if not rang then
		rang = res.playAudio("hit", 0.8) >= 0
	end
	frame = frame + 1
	if frame == LAUNCH_FRAME then
		launch()
	elseif flying then
		fly()
	end
	if stackAwake and not hasAwakeObjects then
		stackAwake = false
		print(format("Lantern Drift: the crates are at rest at frame %d\n", frame))
	end
	elapsed = elapsed + dt
	drift = drift + dt * (1 + touchcount)
	if floor(drift) > (highscores.longestDrift or 0) then
		highscores.longestDrift = floor(drift)
	end
	if elapsed >= nextReport then
		print(format("Lantern Drift: %d s, drifted %d m, %d touches\n", nextReport, floor(drift), touchcount))
		nextReport = nextReport + 1
	end
end

-- The launcher: a wooden post on its base and, while aiming, its rubber band
-- in two strands from the post to the ball, pulled back against the launch
-- direction. Screen pixels: the view's top-left and world scale are those of
-- setUpView. The post and the sprites follow the render state, so it is set
-- for them; the band's quads take none.
local BAND_PULL = 44
local BAND_FORK = 14
local function drawLauncher()
	local scale = 2
	local x = (LAUNCH.x * PIXELS_PER_METRE + screenWidth / 4) * scale
	local y = (LAUNCH.y * PIXELS_PER_METRE + 0.3 * screenHeight) * scale
	local ground = 0.3 * screenHeight * scale
	local aiming = frame < LAUNCH_FRAME
	local speed = _G.math.sqrt(LAUNCH.vx * LAUNCH.vx + LAUNCH.vy * LAUNCH.vy)
	local ballX = x - LAUNCH.vx / speed * BAND_PULL
	local ballY = y - LAUNCH.vy / speed * BAND_PULL
	setRenderState(0, 0, 1, 1, 0, 0, 0, 1)
	drawTexturedLine2D("block_wood", x, ground, x, y - BAND_FORK - 4, 8, 0, 0, 0, 0)
	if aiming then
		drawRubberband(x, y - BAND_FORK, ballX, ballY, 6, "band")
	end
	setRenderState(0, 0, scale, scale, 0, 0, 0, 1)
	res.drawSprite("launcher", x / scale, ground / scale)
	if aiming then
		res.drawSprite("ball", ballX / scale, ballY / scale)
		drawRubberband(ballX, ballY, x, y + BAND_FORK, 6, "band")
	end
end

-- The score: "DRIFTED" and the metres drifted as a text element, scaled 2,
-- top left; that text is made here, so a group the resources do not hold
-- draws it as it stands.
local scoreText = { visible = true, font = "blocky", group = "SCORE", text = "0", x = 16, y = 16, scaleX = 2, scaleY = 2 }
-- The hint: "TOUCH" clipped into lines inside a nine-part box of the
-- scenery sheet, centred at the top. Made on the first frame, when the texts
-- are loaded.
local HINT_WIDTH = 150
local HINT_BORDER = 8
local HINT_PADDING = 6
local BOX_PARTS = {
	topLeft = "box_topLeft", topMiddle = "box_topMiddle", topRight = "box_topRight",
	left = "box_left", center = "box_center", right = "box_right",
	bottomLeft = "box_bottomLeft", bottomMiddle = "box_bottomMiddle", bottomRight = "box_bottomRight",
}
local hint

-- One clipped line, drawn by drawUITextNative: the lines are localised
-- already, so they too are drawn through a group the resources do not hold.
local function drawHintLine(line, x, y, sx, sy, angle)
	setRenderState(0, 0, sx, sy, angle)
	res.drawString("HINT", line.text, x / sx, y / sy + (line.row - 1) * res.getFontLeading())
end

local function makeHint()
	res.useFont("blocky")
	clipText("TEXTS_BASIC", "TOUCH", HINT_WIDTH)
	local lines = {}
	for i, text in _G.ipairs(clippedText.lines) do
		lines[i] = { text = text, row = i, draw = drawHintLine }
	end
	local inset = HINT_BORDER + HINT_PADDING
	local box = {
		width = clippedText.widestLine + 2 * inset,
		height = (#lines - 1) * res.getFontLeading() + res.getFontHeight() + 2 * inset,
		x = screenWidth / 2, y = 24,
	}
	box.text = { visible = true, clipped = true, font = "blocky", lines = lines,
		x = box.x - box.width / 2 + inset, y = box.y + inset, scaleX = 1, scaleY = 1 }
	print(format("Lantern Drift: the hint fills %d lines\n", #lines))
	return box
end

-- The score and the hint over the scene, in an unplaced render state.
local function drawUserInterface()
	setRenderState(0, 0, 1, 1, 0, 0, 0, 1)
	scoreText.text = res.getString("TEXTS_BASIC", "DRIFTED") .. " " .. floor(drift)
	drawUITextNative(scoreText)
	hint = hint or makeHint()
	setRenderState(0, 0, 1, 1, 0, 0, 0, 1)
	drawBoxNative(BOX_PARTS, hint.x, hint.y, hint.width, hint.height, "HCENTER", "TOP")
	drawUITextNative(hint.text)
end

-- The theme (the lantern drifts with the cloud among the mountains), then
-- the level, then the launcher, the score and the hint. The host leaves the
-- 2D render state as its last placement, so what is drawn after the scene
-- sets its own state first. The aiming stream is drawn from the physics
-- positions times the simulation scale: 20 pixels per metre
-- while the level is drawn (the theme keeps its scale of 1).
function draw()
	drawBackgroundNative(-1)
	setPhysicsSimulationScale(PIXELS_PER_METRE)
	drawGameNative(FOREGROUND_DEPTH)
	setPhysicsSimulationScale(1)
	drawLauncher()
	drawUserInterface()
end
