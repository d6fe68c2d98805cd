-- Lantern Drift: the engine's sample game. At dusk, glooms (the targets)
-- hide in towers of straw, timber and slate (the blocks). The player pulls a
-- paper lantern (the flyer) back in the forked launcher, with the aiming
-- aid's path of embers showing where it will fly, and lets go. Lanterns and
-- falling blocks crack the blocks and the glooms through the host's contact
-- callbacks; what breaks scores. A level is won when every gloom is gone
-- (stars by score, the best result saved) and lost when the lanterns are
-- used up and the world has come to rest (the level starts again).
-- The script runs inside the host table: the engine's functions and the
-- tables it shares (settings, highscores, touches, ...) are plain names
-- here, the Lua libraries are reached through _G.

local format = _G.string.format
local floor = _G.math.floor
local sqrt = _G.math.sqrt
local min = _G.math.min
local max = _G.math.max
local pairs = _G.pairs
local ipairs = _G.ipairs
local sort = _G.table.sort

-- The levels in playing order; after the last comes the first again.
local LEVELS = { "meadow", "riverbank", "hilltop" }

-- World pixels per metre: levels are laid out in world pixels, bodies live
-- in metres. The ground's top is the line y = 0 and a level spans x 0 to
-- VIEW_WIDTH; the view fits that width and at least VIEW_HEIGHT above the
-- ground into the screen, the ground line GROUND_LINE of the way down.
local PPM = 20
local VIEW_WIDTH = 1024
local VIEW_HEIGHT = 640
local GROUND_LINE = 0.88

-- The launcher: the fork stands at LAUNCHER_X; the flyer waits between its
-- tips at LAUNCH (world pixels). A touch within GRAB_RADIUS of the waiting
-- flyer takes it; the pull is clamped to MAX_PULL and a full pull launches
-- at MAX_SPEED (metres per second); a pull under MIN_PULL launches nothing.
local LAUNCHER_X = 150
local FORK_SCALE = 1.25
local LAUNCH = { x = 150, y = -110 }
local FORK_TIPS = { { x = 134, y = -110 }, { x = 166, y = -110 } }
local GRAB_RADIUS = 48
local MAX_PULL = 90
local MIN_PULL = 12
local MAX_SPEED = 28

-- The flyer: a lantern, a circle of FLYER_RADIUS metres.
local FLYER_RADIUS = 0.6
local FLYER_DENSITY = 4
-- A flight ends when the flyer has been slow (under REST_SPEED) for
-- REST_FRAMES frames, or after MAX_FLIGHT seconds.
local REST_SPEED = 0.6
local REST_FRAMES = 40
local MAX_FLIGHT = 9

-- Depths: the launcher (the trails are drawn just before it), blocks and
-- targets, then flyers, then the gravity wells.
local LAUNCHER_Z = 1
local BLOCK_Z = 2
local FLYER_Z = 3
local WELL_Z = 4
local FOREGROUND_DEPTH = 1

-- The aiming path runs until the flyer would reach the ground or leave the
-- view at either side, at most AIM_MAX_CALLS predictions of the world's
-- simulationIterations steps each (about 10 s of flight).
local AIM_MAX_CALLS = 88

-- The camera: while a flyer is above the view or beside it, the view zooms
-- out to keep it CAMERA_MARGIN world pixels inside; afterwards it returns
-- to the level's view by CAMERA_RETURN of the way each frame. Where the
-- level's width does not fit (a portrait screen), the view's left edge lies
-- LAUNCHER_ROOM left of the launcher, so that a full pull stays in view.
local CAMERA_MARGIN = 48
local CAMERA_RETURN = 0.08
local LAUNCHER_ROOM = 120

-- The level's bounds (world pixels): a flyer whose centre leaves them, or
-- sinks below the ground's top (past the ground's ends), has left the level
-- and its flight ends at once. The host is given them in metres.
local BOUNDS = { left = -100, top = -1600, right = 1240, bottom = 200 }

-- Seconds between the end of a level and the next start.
local WON_PAUSE = 2.5
local LOST_PAUSE = 2

-- Score for each broken block by material, for each target, and for each
-- flyer left over when a level is won.
local BLOCK_SCORE = { straw = 100, timber = 250, slate = 400 }
local TARGET_SCORE = 1000
local FLYER_BONUS = 1500

-- The block definitions that the levels name: shape, size (metres), sprite,
-- material, strength (damage taken before breaking), density and friction.
-- Targets are blocks too, with the target flag.
local DEFINITIONS = {
	BLOCK_GROUND = { shape = "box", width = 70, height = 4, density = 0, friction = 0.9, material = "ground" },
	BLOCK_STRAW_PLANK = { shape = "box", width = 4, height = 0.8, sprite = "straw_plank", material = "straw", strength = 3, density = 0.5 },
	BLOCK_STRAW_SQUARE = { shape = "box", width = 1.6, height = 1.6, sprite = "straw_square", material = "straw", strength = 3, density = 0.5 },
	BLOCK_STRAW_POST = { shape = "box", width = 0.8, height = 3.2, sprite = "straw_post", material = "straw", strength = 3, density = 0.5 },
	BLOCK_TIMBER_PLANK = { shape = "box", width = 4, height = 0.8, sprite = "timber_plank", material = "timber", strength = 8, density = 1 },
	BLOCK_TIMBER_SQUARE = { shape = "box", width = 1.6, height = 1.6, sprite = "timber_square", material = "timber", strength = 8, density = 1 },
	BLOCK_TIMBER_POST = { shape = "box", width = 0.8, height = 3.2, sprite = "timber_post", material = "timber", strength = 8, density = 1 },
	BLOCK_SLATE_PLANK = { shape = "box", width = 4, height = 0.8, sprite = "slate_plank", material = "slate", strength = 16, density = 2.5 },
	BLOCK_SLATE_SQUARE = { shape = "box", width = 1.6, height = 1.6, sprite = "slate_square", material = "slate", strength = 16, density = 2.5 },
	BLOCK_SLATE_POST = { shape = "box", width = 0.8, height = 3.2, sprite = "slate_post", material = "slate", strength = 16, density = 2.5 },
	TARGET_GLOOM = { shape = "circle", radius = 0.7, sprite = "gloom", material = "gloom", strength = 2.5, density = 0.8, target = true },
	SENSOR_WELL = { shape = "circle", radius = 0.8, sprite = "glow", material = "ground", density = 0, sensor = true },
}
-- The sounds the game loads, by name: each is the file "<name>.wav" of the
-- audio folder (data/game/audio holds the ready-made ones, copied as they
-- are; sound-gen makes the others) and plays with play("<name>", volume).
-- The rolling ones loop while objects of their material roll (ROLLING).
local SOUNDS = { "hit", "launch", "crack", "thud", "dispel", "won", "lost", "wood_rolling", "rock_rolling", "light_rolling" }
-- Rolling sounds by material (the host's material codes).
local ROLLING = { straw = "light", timber = "wood", slate = "rock", gloom = "light" }
-- Particles of a hit and of a break, by material.
local CHIPS = { straw = "chip_straw", timber = "chip_timber", slate = "chip_slate", gloom = "wisp" }

-- What hurts what: a lantern cracks straw easily and slate hardly; it keeps
-- more of its speed through straw. Blocks hurt each other the same way.
blockTable.blocks = blockTable.blocks or {}
blockTable.damageFactors = {
	lantern = {
		damageMultiplier = { straw = 1.6, timber = 1.0, slate = 0.7, gloom = 1.5 },
		velocityMultiplier = { straw = 0.9, timber = 0.6, slate = 0.3, gloom = 0.8 },
	},
	block = {
		damageMultiplier = { straw = 1.3, timber = 1.0, slate = 0.6, gloom = 1.5 },
	},
}
for name, definition in pairs(DEFINITIONS) do
	blockTable.blocks[name] = definition
end

-- The score of the running level: the host adds the damage of block against
-- block (times scoreDamageMultiplier); the script adds the breaks.
scoreTable = { blocks = { score = 0 } }

-- The world's settings, read by the host whenever a level loads: each
-- aiming prediction runs 4 steps of 1/35 s and keeps every position (the
-- script repeats it until the path ends, see predict); the embers run 27
-- steps a second, one every 0.12 s.
worldAttributes = {
	defaultGravityForceMultiplier = 2.5,
	simulationIterations = 4,
	simulationTimeStepMultiplier = 1,
	simulationStorePointsSampler = 1,
	simulationAimSpawnTime = 0.12,
	simulationAimSpeed = 27,
	scoreDamageMultiplier = 10,
}
-- Objects destroyed during a step; the host fills it, removeBlocks empties it.
deadBlocks = {}

-- Sparks, chips and wisps, in world pixels (y grows downwards). Every burst
-- flies upwards, within 50 degrees of straight up; with gravity, its
-- slowest particle is fast enough to be back at its starting height no
-- sooner than its life ends (the upward speed at least gravity x life / 2),
-- so that nothing of it sinks into the ground. BURST_AREA is the side of
-- the square the particles start in, around the point given.
local BURST_AREA = 12
local function burst(sprites, lifeTime, minVel, maxVel, gravity, scaleBegin, scaleEnd)
	return {
		sprites = sprites,
		lifeTime = lifeTime,
		minVel = minVel, maxVel = maxVel,
		minAngleEmitter = 220, maxAngleEmitter = 320,
		minAngle = 0, maxAngle = 360,
		minAngleVel = -8, maxAngleVel = 8,
		minScaleBegin = scaleBegin, maxScaleBegin = scaleBegin * 1.4,
		minScaleEnd = scaleEnd, maxScaleEnd = scaleEnd * 1.4,
		gravityY = gravity,
	}
end
particleTable = {
	particles = {
		chip_straw = burst({ "chip_straw" }, 0.8, 140, 220, 200, 1.6, 0.8),
		chip_timber = burst({ "chip_timber" }, 0.8, 140, 220, 200, 1.6, 0.8),
		chip_slate = burst({ "chip_slate" }, 0.8, 140, 220, 200, 1.6, 0.8),
		wisp = burst({ "wisp" }, 1.3, 20, 90, -40, 1.5, 0.3),
		spark = burst({ "spark", "ember" }, 0.8, 60, 140, 80, 2, 0.5),
		puff = burst({ "glow" }, 0.7, 10, 50, -20, 1.5, 0.2),
	},
}

-- The levels' themes: the sky, the ground and the scenery layers, farthest
-- first. The layers stand on the ground line and repeat side by side, so
-- that they cover the view at any size and zoom; a layer's parallax (its
-- third entry) below 1 makes it far. Each level names its theme.
themes = {
	-- The meadow at dusk: far mountains, near hills.
	dusk = {
		skyColor = { r = 44, g = 52, b = 104 },
		groundColor = { r = 52, g = 62, b = 40 },
		fgLayers = { { "mountains", "mountains", 0.3, 2, 0 }, { "hills", "hills", 0.6, 1, 0 } },
	},
	-- The riverbank later at night: the mountains, lower hills and the river
	-- at their foot.
	riverbank = {
		skyColor = { r = 36, g = 38, b = 88 },
		groundColor = { r = 70, g = 66, b = 42 },
		fgLayers = { { "mountains", "mountains", 0.3, 1.6, 0 }, { "hills", "hills", 0.6, 0.75, 0 }, { "river", "river", 0.8, 1, 0 } },
	},
	-- The hilltop in the dark: steep peaks around a rocky crest.
	hilltop = {
		skyColor = { r = 22, g = 24, b = 60 },
		groundColor = { r = 76, g = 80, b = 66 },
		fgLayers = { { "peaks", "peaks", 0.25, 2.5, 0 }, { "crest", "crest", 0.6, 1.5, 0 } },
	},
}
screen = { x = 0, y = 0 }

-- The game's state.
frame = 0
local view = { scale = 1, left = 0, top = 0, base = 1, middle = VIEW_WIDTH / 2 }
local level = nil      -- the running level: name, index, counts
local state = "idle"   -- ready, aiming, flying, spent, won, lost
local stateTimer = 0
local drag = nil       -- the touch that pulls the flyer: id, pull
local flyer = nil      -- the flyer in flight: name, time, slow frames
local flyersLeft = 0
local flyersLaunched = 0
local targetsLeft = 0
local targetsReachable = 0 -- the level's targets placed within its bounds
local blocksBroken = 0
local strengths = {}   -- each block's strength at the start
local cracked = {}     -- blocks drawn cracked
local joints = {}      -- the level's breakable joints still standing
local stars = 0
local soundsThisFrame = 0
local paused = false
local finalScore = nil -- the score of a level that has ended, as saved
local newBest = false  -- the level just won beat its best score

-- The world's screen transform: world pixels to screen pixels.
local function toWorld(x, y)
	return x / view.scale + view.left, y / view.scale + view.top
end

-- Places the view at scale: the view's middle (the level's, unless the
-- level does not fit) in the middle of the screen, the ground line
-- GROUND_LINE of the way down.
local function placeView(scale)
	view.scale = scale
	view.left = view.middle - screenWidth / scale / 2
	view.top = -GROUND_LINE * screenHeight / scale
	setWorldScale(scale)
	setTopLeft(view.left, view.top)
end

-- Lays the view out for the screen: the level's width fits, and at least
-- VIEW_HEIGHT above the ground; the theme follows. A screen taller than
-- wide gets the scale it would have turned to landscape, so that the
-- lantern is as large and as easy to grab as there: the view then shows the
-- launcher's part of the level (a flight beside it is followed as ever).
local function layOut()
	view.base = min(screenWidth / VIEW_WIDTH, screenHeight / VIEW_HEIGHT)
	if screenHeight > screenWidth then
		view.base = max(view.base, min(screenHeight / VIEW_WIDTH, screenWidth / VIEW_HEIGHT))
	end
	local shown = screenWidth / view.base
	view.middle = shown < VIEW_WIDTH and LAUNCHER_X - LAUNCHER_ROOM + shown / 2 or VIEW_WIDTH / 2
	placeView(view.base)
	setStartingCameraValue(false)
end

-- The camera: zooms out at once to keep the flyer (world pixels x, y) in
-- view, or, without one, eases back to the level's view.
local function followCamera(x, y)
	local scale = view.base
	if x then
		-- Above: the top (the ground line's distance up) must reach y.
		local up = CAMERA_MARGIN - y
		if up > 0 then
			scale = min(scale, GROUND_LINE * screenHeight / up)
		end
		-- Beside: half the view's width must reach x from the middle.
		local side = _G.math.abs(x - view.middle) + CAMERA_MARGIN
		scale = min(scale, screenWidth / (2 * side))
	end
	if scale < view.scale then
		placeView(scale)
	elseif view.scale < view.base then
		local eased = view.scale + (view.base - view.scale) * CAMERA_RETURN
		placeView(view.base - eased < 0.001 and view.base or min(eased, scale))
	end
end

-- Removes an object from the world and its table from the scripts' view
-- (the host keeps the table of a removed object under its name).
local function remove(name)
	removeObject(name)
	objects.world[name] = nil
end

local function play(clip, volume)
	if soundsThisFrame < 3 then
		soundsThisFrame = soundsThisFrame + 1
		res.playAudio(clip, volume or 1)
	end
end

local function addScore(points)
	scoreTable.blocks.score = scoreTable.blocks.score + points
end

-- Whether a point (world pixels) lies within the level's bounds, above the
-- ground's top.
local function inBounds(x, y)
	return x >= BOUNDS.left and x <= BOUNDS.right and y >= BOUNDS.top and y <= 0
end

-- One object of the level from its entry: a block, a target or a well.
local function placeObject(key, entry)
	local definition = DEFINITIONS[entry.definition]
	if not definition then
		print(format("Lantern Drift: unknown definition %s of %s\n", _G.tostring(entry.definition), key))
		return
	end
	local name = entry.name or key
	local x, y = entry.x / PPM, entry.y / PPM
	local sprite = definition.sprite or ""
	if definition.shape == "circle" then
		-- A well's body is its whole area of pull.
		local radius = definition.sensor and entry.radius / PPM or definition.radius
		createCircle(name, sprite, x, y, radius, definition.density, definition.friction or 0.7, 0.1, true, false, definition.sensor and WELL_Z or BLOCK_Z)
	else
		local width = definition.width * (entry.scaleX or 1)
		createBox(name, sprite, x, y, width, definition.height, definition.density, definition.friction or 0.7, 0.05, true, false, BLOCK_Z)
	end
	if entry.angle and entry.angle ~= 0 then
		setRotation(name, entry.angle)
	end
	local t = objects.world[name]
	t.definition = entry.definition
	t.material = definition.material
	if definition.strength then
		t.strength = definition.strength
		t.damageFactors = "block"
		strengths[name] = definition.strength
	end
	if ROLLING[definition.material] then
		setMaterial(name, ROLLING[definition.material])
	end
	if definition.target then
		t.target = true
		targetsLeft = targetsLeft + 1
		if inBounds(entry.x, entry.y) then
			targetsReachable = targetsReachable + 1
		end
	end
	if entry.sensorType == "gravitation" then
		-- A gravity well: it pulls flyers within its radius, and the aiming
		-- prediction feels it too.
		setAsSensor(name, true)
		setObjectParameter(name, 21, 2)
		setObjectParameter(name, 25, entry.gravitationMinForce)
		setObjectParameter(name, 26, entry.gravitationMaxForce)
		setObjectParameter(name, 27, entry.radius / PPM)
		setObjectParameter(name, 32, 1)
		setScale(name, 3, 3)
	end
end

-- Loads level index of LEVELS and builds it: blocks, targets, wells and
-- joints from the level file; the flyers wait at the launcher.
local function startLevel(index)
	local name = LEVELS[index]
	targetsLeft = 0
	targetsReachable = 0
	blocksBroken = 0
	strengths = {}
	cracked = {}
	deadBlocks = {}
	loadLevel(levelPath .. "/" .. name)
	setLevelLimits(BOUNDS.left / PPM, BOUNDS.top / PPM, BOUNDS.right / PPM, BOUNDS.bottom / PPM)
	local theme = loadedObjects.theme or "dusk"
	setTheme(theme)
	local sky = themes[theme].skyColor
	setBGColor(sky.r, sky.g, sky.b)
	local keys = {}
	for key in pairs(loadedObjects.world or {}) do
		keys[#keys + 1] = key
	end
	sort(keys)
	for _, key in ipairs(keys) do
		placeObject(key, loadedObjects.world[key])
	end
	joints = {}
	for _, joint in ipairs(loadedObjects.joints or {}) do
		createJoint(joint)
		if joint.breakable then
			joints[#joints + 1] = joint
		end
	end
	local gravity = loadedObjects.worldGravity or { x = 0, y = 9.8 }
	setWorldGravity(gravity.x, gravity.y)
	setPhysicsEnabled(true)
	setAimingAidSprite("ember")
	-- The launcher's fork is a scene object without a body of its own in the
	-- world (inactive, no collisions): the host draws the flyers' trails
	-- just before it, so the last two stay in view while the next flyer
	-- waits.
	createBox("launcher", "fork", LAUNCHER_X / PPM, 0, 0.5, 0.5, 0, 0, 0, false, true, LAUNCHER_Z)
	setScale("launcher", FORK_SCALE, FORK_SCALE)
	scoreTable.blocks.score = 0
	finalScore = nil
	newBest = false
	hint = nil
	flyersLeft = (loadedObjects.counts or {}).flyers or 3
	flyersLaunched = 0
	flyer = nil
	drag = nil
	stars = 0
	level = { name = name, index = index, targets = targetsLeft }
	state = "ready"
	layOut()
	settings.level = name
	savePersistentLuaFile("settings.lua", "settings")
	print(format("Lantern Drift: level %s with %d objects, %d targets, %d flyers\n", name, #keys, targetsLeft, flyersLeft))
	-- A level that cannot be won as written says so (and is never won).
	if targetsLeft == 0 then
		print(format("Lantern Drift: level %s cannot be won: it has no targets (none of its entries names a target definition)\n", name))
	elseif targetsReachable == 0 then
		print(format("Lantern Drift: level %s cannot be won: none of its %d targets lies within the level's bounds above the ground\n", name, targetsLeft))
	end
end

-- Whether a predicted flyer centre (metres) has reached the ground or left
-- the view at either side.
local function pathEnds(x, y)
	local left = view.left / PPM
	local right = (view.left + screenWidth / view.scale) / PPM
	return y >= -FLYER_RADIUS or x < left or x > right
end

-- The predicted path from the pulled flyer: a stand-in body at the flyer's
-- place with the launch velocity, moved by the prediction only and removed
-- before the world steps again. Each prediction adds a few steps to the
-- path; a first pass counts those that stay clear of the ground and the
-- view's sides, a second one keeps only them, so that the path reaches the
-- ground or the view's edge and no ember lies below the ground.
local function predict(x, y, vx, vy)
	local function standIn()
		createCircle("FlyerSimulation", "", x / PPM, y / PPM, FLYER_RADIUS, FLYER_DENSITY, 0.5, 0, false, false, FLYER_Z)
		setVelocity("FlyerSimulation", vx, vy)
		ClearSimulationTrajectory()
	end
	standIn()
	local clear = 0
	while clear < AIM_MAX_CALLS do
		updateFlyerTrajectoryTable()
		if pathEnds(getWorldPoint("FlyerSimulation", 0, 0)) then
			break
		end
		clear = clear + 1
	end
	if clear < AIM_MAX_CALLS then
		remove("FlyerSimulation")
		standIn()
		for _ = 1, max(clear, 1) do
			updateFlyerTrajectoryTable()
		end
	end
	remove("FlyerSimulation")
	-- The path grew a few steps at a time, so the embers beyond each
	-- shorter path went: they are laid out along the whole of it again.
	populateAimingAid()
end

-- The launch velocity of a pull: opposite to it, in proportion to its length.
local function launchVelocity(pull)
	return -pull.x / MAX_PULL * MAX_SPEED, -pull.y / MAX_PULL * MAX_SPEED
end

local function launch()
	local x, y = LAUNCH.x + drag.pull.x, LAUNCH.y + drag.pull.y
	local vx, vy = launchVelocity(drag.pull)
	flyersLaunched = flyersLaunched + 1
	flyersLeft = flyersLeft - 1
	local name = "flyer" .. flyersLaunched
	createCircle(name, "lantern", x / PPM, y / PPM, FLYER_RADIUS, FLYER_DENSITY, 0.6, 0.2, true, true, FLYER_Z)
	objects.world[name].damageFactors = "lantern"
	setActive(name, true)
	setVelocity(name, vx, vy)
	-- The embers of the aim run out along the path; a new trail starts.
	enableAimingAid(false)
	startNewTrajectory()
	setNormalTrailSprite("dot")
	setSpecialTrailSprite("glow")
	flyer = { name = name, time = 0, slow = 0 }
	drag = nil
	state = "flying"
	play("launch", 0.8)
	print(format("Lantern Drift: flyer %d launched at frame %d, %.1f m/s\n", flyersLaunched, frame, sqrt(vx * vx + vy * vy)))
end

-- Touches: a touch on the waiting flyer takes it; moving pulls it back
-- (clamped), releasing launches it.
local function handleTouches()
	local id, touch
	for key, value in pairs(touches) do
		if id == nil or key < id then
			id, touch = key, value
		end
	end
	if drag then
		touch = touches[drag.id]
		if not touch then
			if sqrt(drag.pull.x * drag.pull.x + drag.pull.y * drag.pull.y) >= MIN_PULL then
				launch()
			else
				drag = nil
				enableAimingAid(false)
				state = "ready"
			end
			return
		end
		local wx, wy = toWorld(touch.x, touch.y)
		local px, py = wx - LAUNCH.x, wy - LAUNCH.y
		local length = sqrt(px * px + py * py)
		if length > MAX_PULL then
			px, py = px / length * MAX_PULL, py / length * MAX_PULL
		end
		if px ~= drag.pull.x or py ~= drag.pull.y then
			drag.pull = { x = px, y = py }
			if sqrt(px * px + py * py) >= MIN_PULL then
				local vx, vy = launchVelocity(drag.pull)
				predict(LAUNCH.x + px, LAUNCH.y + py, vx, vy)
				enableAimingAid(true)
			else
				enableAimingAid(false)
			end
		end
	elseif touch and state == "ready" then
		local wx, wy = toWorld(touch.x, touch.y)
		local dx, dy = wx - LAUNCH.x, wy - LAUNCH.y
		if dx * dx + dy * dy <= GRAB_RADIUS * GRAB_RADIUS then
			drag = { id = id, pull = { x = 0, y = 0 } }
			state = "aiming"
		end
	end
end

-- Ends the flight: the flyer goes out in a puff, within the level's bounds
-- and high enough above the ground that none of it (the glow at up to
-- PUFF_REACH from its middle) lies under the ground's top; the next flyer
-- waits.
local PUFF_REACH = 24
local function endFlight()
	local t = objects.world[flyer.name]
	if t then
		local x = min(max(t.x * PPM, BOUNDS.left), BOUNDS.right)
		local y = min(max(t.y * PPM, BOUNDS.top), -PUFF_REACH)
		particles.addParticles("puff", 8, x, y, BURST_AREA, BURST_AREA, 0)
		addPuffToTrajectory(0, x, y)
		remove(flyer.name)
	end
	flyer = nil
	state = flyersLeft > 0 and "ready" or "spent"
end

local function fly(dt)
	local t = objects.world[flyer.name]
	if not t then
		flyer = nil
		state = flyersLeft > 0 and "ready" or "spent"
		return
	end
	flyer.time = flyer.time + dt
	-- Out of the level (off the ground's ends, into the void): the flight
	-- ends now, before the camera follows it or the trail goes on.
	if not inBounds(t.x * PPM, t.y * PPM) then
		print(format("Lantern Drift: flyer %d left the level at frame %d\n", flyersLaunched, frame))
		endFlight()
		return
	end
	if frame % 3 == 0 then
		addToTrajectory(0, t.x * PPM, t.y * PPM)
	end
	if (t.velocity or 0) < REST_SPEED or t.sleeping then
		flyer.slow = flyer.slow + 1
	else
		flyer.slow = 0
	end
	if flyer.slow >= REST_FRAMES or flyer.time > MAX_FLIGHT then
		endFlight()
	end
end

-- The score's stars by the level's limits (starLimits.lua).
local function starsOf(name, score)
	local limits = (starTable or {})[name] or {}
	local count = 0
	for i = 1, 3 do
		if limits[i] and score >= limits[i] then
			count = i
		end
	end
	return count
end

local function win()
	state = "won"
	stateTimer = WON_PAUSE
	addScore(flyersLeft * FLYER_BONUS)
	local score = scoreTable.blocks.score
	finalScore = score
	stars = starsOf(level.name, score)
	local best = highscores[level.name] or {}
	newBest = score > (best.score or 0)
	highscores[level.name] = { score = max(score, best.score or 0), stars = max(stars, best.stars or 0) }
	local nextIndex = level.index % #LEVELS + 1
	settings.level = LEVELS[nextIndex]
	savePersistentLuaFile("highscores.lua", "highscores")
	savePersistentLuaFile("settings.lua", "settings")
	play("won", 0.9)
	print(format("Lantern Drift: level %s won at frame %d: score %d, %d stars\n", level.name, frame, score, stars))
end

local function lose()
	state = "lost"
	finalScore = scoreTable.blocks.score
	stateTimer = LOST_PAUSE
	savePersistentLuaFile("settings.lua", "settings")
	play("lost", 0.9)
	print(format("Lantern Drift: level %s lost at frame %d: score %d\n", level.name, frame, scoreTable.blocks.score))
end

-- Writes a developer's trace line: only while the log's debug lines are on
-- (the shell's --verbose, or ENGINE_VERBOSE set to other than "" or "0").
local function debugPrint(text)
	local getenv = _G.os and _G.os.getenv
	local value = getenv and getenv("ENGINE_VERBOSE") or ""
	if value ~= "" and value ~= "0" then
		print(text)
	end
end

-- Called once the game logic has run: counts the launches in the settings.
function updateValues()
	settings.launches = (settings.launches or 0) + 1
	savePersistentLuaFile("settings.lua", "settings")
	debugPrint(format("Lantern Drift: launch %d\n", settings.launches))
end

-- The language of the texts: German when the system's locale asks for it,
-- else English (the texts ship in these two); and the locale asked for, as
-- the system gives it ("C" when no variable is set).
local function systemLanguage()
	local getenv = _G.os and _G.os.getenv
	local text = ""
	if getenv then
		for _, variable in ipairs({ "LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG" }) do
			text = getenv(variable) or ""
			if text ~= "" then
				break
			end
		end
	end
	if _G.string.sub(text, 1, 2) == "de" then
		return "de_DE", text
	end
	return "en_EN", text ~= "" and text or "C"
end

-- Called once at start-up, after every start-up file is loaded.
function createStartUpAssets()
	local levels = 0
	for _ in pairs(starTable or {}) do
		levels = levels + 1
	end
	print(format("Lantern Drift: %d levels with star limits\n", levels))
	res.createAudioOutput(2, 16, 44100)
	for _, clip in ipairs(SOUNDS) do
		res.createAudio(audioPath .. "/" .. clip .. ".wav", clip, false)
	end
	res.createSpriteSheet("sprites/menu.dat")
	res.createSpriteSheet("sprites/scenery.dat")
	res.createSpriteSheet("sprites/play.dat")
	res.createBitmapFont(fontPath .. "/blocky.dat")
	res.useFont("blocky")
	res.createTextGroupSet(localizationPath .. "/TEXTS_BASIC.dat")

	local index = 1
	for i, name in ipairs(LEVELS) do
		if name == settings.level then
			index = i
		end
	end
	startLevel(index)
end

-- Before each physics step: no forces of the game's own.
function applyForcesAtPhysicsStep()
end

function clearLuaForceFunctions()
end

-- Joints that an impact broke are gone from the joints table at once (the
-- host destroys them after the step): sparks where they held.
function checkJoints()
	for i = #joints, 1, -1 do
		local joint = joints[i]
		if not objects.joints[joint.name] then
			print(format("Lantern Drift: joint %s broke at frame %d\n", joint.name, frame))
			local t = objects.world[joint.end2]
			if t then
				particles.addParticles("spark", 10, t.x * PPM, t.y * PPM, BURST_AREA, BURST_AREA, 0)
			end
			_G.table.remove(joints, i)
		end
	end
end

-- After each physics step: what broke goes, with chips, a sound and points.
function removeBlocks()
	checkJoints()
	local names = {}
	for name in pairs(deadBlocks) do
		names[#names + 1] = name
	end
	if #names == 0 then
		return
	end
	sort(names)
	-- Emptied in place: the level loader handed this table to the host.
	for _, name in ipairs(names) do
		deadBlocks[name] = nil
	end
	for _, name in ipairs(names) do
		local t = objects.world[name]
		-- A joint that goes with one of its blocks did not break.
		for i = #joints, 1, -1 do
			if joints[i].end1 == name or joints[i].end2 == name then
				_G.table.remove(joints, i)
			end
		end
		if t then
			local x, y = t.x * PPM, t.y * PPM
			if flyer and name == flyer.name then
				-- A flyer that left the level.
				remove(name)
				flyer = nil
				state = flyersLeft > 0 and "ready" or "spent"
			elseif t.target then
				particles.addParticles("wisp", 16, x, y, BURST_AREA, BURST_AREA, 0)
				particles.addParticles("spark", 8, x, y, BURST_AREA, BURST_AREA, 0)
				remove(name)
				targetsLeft = targetsLeft - 1
				addScore(TARGET_SCORE)
				play("dispel", 0.9)
				print(format("Lantern Drift: target %s destroyed at frame %d, %d left\n", name, frame, targetsLeft))
			elseif strengths[name] then
				particles.addParticles(CHIPS[t.material] or "spark", 14, x, y, BURST_AREA, BURST_AREA, 0)
				remove(name)
				blocksBroken = blocksBroken + 1
				addScore(BLOCK_SCORE[t.material] or 100)
				play("crack", 0.8)
				print(format("Lantern Drift: block %s (%s) broke at frame %d\n", name, t.material, frame))
			end
		end
	end
end

-- A block that has lost half its strength shows cracks.
local function showDamage(name)
	local t = objects.world[name]
	local start = strengths[name]
	if not t or not start or cracked[name] or not t.strength or t.strength > start / 2 then
		return
	end
	cracked[name] = true
	local definition = DEFINITIONS[t.definition]
	setSprite(name, definition.target and "gloom_hurt" or definition.sprite .. "_cracked")
	particles.addParticles(CHIPS[t.material] or "spark", 5, t.x * PPM, t.y * PPM, BURST_AREA, BURST_AREA, 0)
end

-- Contacts: sensors only report; the host has taken the damage off the
-- blocks' strength by now.
function enterCollision(nameA, nameB)
end

function exitCollision(nameA, nameB)
end

function flyerCollision(flyerName, other, impact, damage)
	if damage > 0 then
		showDamage(other)
	end
	if impact > 2 then
		play("hit", min(1, impact / 12))
	end
end

function blockCollision(nameA, nameB, impact, hit, unused, lastHit)
	if hit and lastHit > 0 then
		showDamage(nameA)
		showDamage(nameB)
		if impact > 1.5 then
			play("thud", min(0.8, impact / 10))
		end
	end
end

-- A start-up file that failed to load.
function onLoadLuaFileFail(file)
	print(format("Lantern Drift: could not load %s\n", file))
end

-- The program going to the background and back: one line for each real
-- change (the host also reports the activation at start, and may report
-- the deactivation more than once at the end).
local inBackground = false

function gameResumed()
	if inBackground then
		inBackground = false
		print("Lantern Drift: resumed\n")
	end
end

function gamePaused()
	if not inBackground then
		inBackground = true
		print("Lantern Drift: paused\n")
	end
end

function resolutionChanged()
	layOut()
	hint = nil
	print(format("Lantern Drift: screen %d x %d\n", screenWidth, screenHeight))
end

-- Pauses (the world, its particles and the aiming path stand still; the
-- touches are not read) or goes on.
local function setPaused(on)
	if on ~= paused then
		paused = on
		setPhysicsEnabled(not on, "pause")
	end
end

-- One frame: dt is the game's time step, rawDt the wall-clock frame time.
function update(dt, rawDt)
	frame = frame + 1
	soundsThisFrame = 0
	if frame == 1 then
		local language, locale = systemLanguage()
		res.loadLocale("TEXTS_BASIC", language)
		res.useLocale(language)
		print(format("Lantern Drift: texts in %s for the system locale %s\n", language, locale))
	end
	checkJoints()
	-- Keys: R starts the level again, P or Escape pauses and goes on.
	if keyPressed.R and level then
		setPaused(false)
		print(format("Lantern Drift: level %s restarted at frame %d\n", level.name, frame))
		startLevel(level.index)
		return
	end
	if keyPressed.P or keyPressed.ESCAPE then
		setPaused(not paused)
		print(format("Lantern Drift: %s at frame %d\n", paused and "paused" or "going on", frame))
	end
	if paused then
		return
	end
	local t = flyer and objects.world[flyer.name]
	if t then
		followCamera(t.x * PPM, t.y * PPM)
	else
		followCamera()
	end
	if state == "won" or state == "lost" then
		stateTimer = stateTimer - dt
		if stateTimer <= 0 then
			startLevel(state == "won" and level.index % #LEVELS + 1 or level.index)
		end
		return
	end
	if level.targets > 0 and targetsLeft <= 0 then
		win()
		return
	end
	if state == "ready" or state == "aiming" then
		handleTouches()
	elseif state == "flying" then
		fly(dt)
	elseif state == "spent" and not hasAwakeObjects then
		lose()
	end
end

-- The launcher: the fork and, while aiming, the band in two strands from
-- its tips around the pulled flyer. Screen pixels from world pixels.
local function screenOf(x, y)
	return (x - view.left) * view.scale, (y - view.top) * view.scale
end

-- The breakable lines still standing (distance joints), as cords from the
-- bottom of the upper block to the top of the lower one.
local function drawLines()
	for _, joint in ipairs(joints) do
		local a, b = objects.world[joint.end1], objects.world[joint.end2]
		if joint.type == 1 and a and b and objects.joints[joint.name] then
			local ax, ay = a.x * PPM, a.y * PPM
			local bx, by = b.x * PPM, b.y * PPM
			local dx, dy = bx - ax, by - ay
			local length = sqrt(dx * dx + dy * dy)
			if length > 0 then
				-- From the edge of each block along the line between them.
				local fromA = (DEFINITIONS[a.definition].height or 0) * PPM / 2
				local fromB = (DEFINITIONS[b.definition].radius or 0) * PPM
				local x1, y1 = screenOf(ax + dx / length * fromA, ay + dy / length * fromA)
				local x2, y2 = screenOf(bx - dx / length * fromB, by - dy / length * fromB)
				setRenderState(0, 0, 1, 1, 0, 0, 0, 1)
				drawRubberband(x1, y1, x2, y2, 3 * view.scale, "rope")
			end
		end
	end
end

local function drawLauncher()
	local s = view.scale
	local waiting = state == "ready" or state == "aiming"
	local fx, fy = LAUNCH.x, LAUNCH.y
	if drag then
		fx, fy = fx + drag.pull.x, fy + drag.pull.y
	end
	local backX, backY = screenOf(FORK_TIPS[1].x, FORK_TIPS[1].y)
	local frontX, frontY = screenOf(FORK_TIPS[2].x, FORK_TIPS[2].y)
	local ballX, ballY = screenOf(fx, fy)
	if waiting then
		setRenderState(0, 0, 1, 1, 0, 0, 0, 1)
		drawRubberband(backX, backY, ballX, ballY, 5 * s, "band")
	end
	if waiting and flyersLeft > 0 then
		setRenderState(0, 0, s, s, 0, 0, 0, 1)
		res.drawSprite("lantern", ballX / s, ballY / s)
		setRenderState(0, 0, 1, 1, 0, 0, 0, 1)
		drawRubberband(ballX, ballY, frontX, frontY, 5 * s, "band")
	end
end

-- The score, the flyers left and the level, the level's best score and
-- stars as text elements, top left; a hint in a box while the first flyer
-- waits, beside them where it fits, else under them; the result, the
-- stars and a new best at the end; the pause. Sizes follow the screen: the
-- text is drawn at whole scales, twice as large from 1920 x 1080 on.
local HUD_MARGIN = 16
local HUD_GAP = 6
local scoreText = { visible = true, font = "blocky", group = "PLAIN", text = "0", x = HUD_MARGIN, y = HUD_MARGIN, scaleX = 2, scaleY = 2 }
local levelText = { visible = true, font = "blocky", group = "PLAIN", text = "", x = HUD_MARGIN, y = 0, scaleX = 1, scaleY = 1 }
local bestText = { visible = true, font = "blocky", group = "PLAIN", text = "", x = HUD_MARGIN, y = 0, scaleX = 1, scaleY = 1 }
local keysText = { visible = true, font = "blocky", group = "PLAIN", text = "", x = HUD_MARGIN, y = 0, scaleX = 1, scaleY = 1 }
local centredText = { visible = true, font = "blocky", group = "PLAIN", text = "", x = 0, y = 0, scaleX = 3, scaleY = 3, hanchor = "HCENTER" }
local HINT_WIDTH = 220
local HINT_BORDER = 8
local HINT_PADDING = 6
local BOX_PARTS = {
	topLeft = "box_topLeft", topMiddle = "box_topMiddle", topRight = "box_topRight",
	left = "box_left", center = "box_center", right = "box_right",
	bottomLeft = "box_bottomLeft", bottomMiddle = "box_bottomMiddle", bottomRight = "box_bottomRight",
}
hint = nil

-- The largest whole scale up to most at which text fits width pixels (at least 1).
local function fittingScale(text, width, most)
	local w = res.getStringWidth(text)
	if w <= 0 then
		return most
	end
	return max(1, min(most, floor(width / w)))
end

-- Draws element with its text at its place; returns the bottom of the line.
local function drawLine(element, text, y)
	element.text = text
	element.y = y
	setRenderState(0, 0, 1, 1, 0, 0, 0, 1)
	drawUITextNative(element)
	return y + res.getFontHeight() * element.scaleY
end

-- One clipped line, drawn by drawUITextNative: the lines are localised
-- already, so they are drawn through a group the resources do not hold.
local function drawHintLine(line, x, y, sx, sy, angle)
	setRenderState(0, 0, sx, sy, angle)
	res.drawString("PLAIN", line.text, x / sx, y / sy + (line.row - 1) * res.getFontLeading())
end

-- The hint box with its text at scale, right of the text lines that end at
-- right (their widest point) when it fits there, else under them (bottom).
local function makeHint(right, bottom, scale)
	res.useFont("blocky")
	local inset = HINT_BORDER + HINT_PADDING
	clipText("TEXTS_BASIC", "AIM", min(HINT_WIDTH, (screenWidth - 2 * HUD_MARGIN - 2 * inset) / scale))
	local lines = {}
	for i, text in ipairs(clippedText.lines) do
		lines[i] = { text = text, row = i, draw = drawHintLine }
	end
	local box = {
		width = clippedText.widestLine * scale + 2 * inset,
		height = ((#lines - 1) * res.getFontLeading() + res.getFontHeight()) * scale + 2 * inset,
	}
	-- Centred at the top, else at the right edge, else under the text.
	box.x, box.y = screenWidth / 2, HUD_MARGIN
	if box.x - box.width / 2 < right + HUD_MARGIN then
		box.x = screenWidth - HUD_MARGIN - box.width / 2
		if box.x - box.width / 2 < right + HUD_MARGIN then
			box.x, box.y = HUD_MARGIN + box.width / 2, bottom + HUD_MARGIN
		end
	end
	box.text = { visible = true, clipped = true, font = "blocky", lines = lines,
		x = box.x - box.width / 2 + inset, y = box.y + inset, scaleX = scale, scaleY = scale }
	return box
end

local function drawUserInterface()
	res.useFont("blocky")
	local shown = finalScore or scoreTable.blocks.score
	local scoreLine = res.getString("TEXTS_BASIC", "SCORE") .. " " .. floor(shown)
	local levelLine = format("%s %d   %s %d", res.getString("TEXTS_BASIC", "LEVEL"), level.index, res.getString("TEXTS_BASIC", "LANTERNS"), flyersLeft)
	local best = highscores[level.name]
	local bestLine = best and format("%s %d", res.getString("TEXTS_BASIC", "BEST"), floor(best.score or 0)) or ""
	local keysLine = res.getString("TEXTS_BASIC", "KEYS")
	-- The score is large where the screen is; every line fits the width.
	local room = screenWidth - 2 * HUD_MARGIN
	local u = max(1, floor(min(screenWidth / 960, screenHeight / 540)))
	local large = (screenWidth >= 640 and screenHeight >= 480) and 2 * u or u
	scoreText.scaleX = fittingScale(scoreLine .. "00", room, large)
	scoreText.scaleY = scoreText.scaleX
	for _, element in ipairs({ levelText, bestText, keysText }) do
		element.scaleX, element.scaleY = u, u
	end
	local y = drawLine(scoreText, scoreLine, HUD_MARGIN) + HUD_GAP
	y = drawLine(levelText, levelLine, y) + HUD_GAP
	local right = HUD_MARGIN + max(res.getStringWidth(scoreLine .. "00") * scoreText.scaleX, res.getStringWidth(levelLine) * u)
	if best then
		local bottom = drawLine(bestText, bestLine, y)
		-- The best result's stars after it, in the text's height.
		local size = res.getFontHeight() * u
		local x = HUD_MARGIN + res.getStringWidth(bestLine) * u + size
		setRenderState(0, 0, size / 24, size / 24, 0, 0, 0, 1)
		for i = 1, best.stars or 0 do
			res.drawSprite("star", (x + (i - 1) * size * 1.2) * 24 / size, (y + size / 2) * 24 / size)
		end
		right = max(right, x + 3 * size * 1.2)
		y = bottom + HUD_GAP
	end
	y = drawLine(keysText, keysLine, y) + HUD_GAP
	right = max(right, HUD_MARGIN + res.getStringWidth(keysLine) * u)
	if flyersLaunched == 0 and (state == "ready" or state == "aiming") then
		hint = hint or makeHint(right, y - HUD_GAP, u)
		setRenderState(0, 0, 1, 1, 0, 0, 0, 1)
		drawBoxNative(BOX_PARTS, hint.x, hint.y, hint.width, hint.height, "HCENTER", "TOP")
		drawUITextNative(hint.text)
	end
	-- The banner in the middle, under the lines and the hint.
	local banner = nil
	if paused then
		banner = res.getString("TEXTS_BASIC", "PAUSED")
	elseif state == "won" or state == "lost" then
		banner = res.getString("TEXTS_BASIC", state == "won" and "WON" or "LOST")
	end
	if banner then
		-- On a box of its own (the hint's), so that it reads over any
		-- scenery: the banner, then for a win the stars, centred by their
		-- count, and a new best.
		local scale = fittingScale(banner, room, 3 * u)
		local top = max(y + HUD_MARGIN, screenHeight * 0.3)
		local won = state == "won" and not paused
		local size = 24 * scale * 2 / 3
		local best = won and newBest and res.getString("TEXTS_BASIC", "NEW_BEST") or nil
		local bestScale = best and fittingScale(best, room, 2 * u) or 0
		local height = res.getFontHeight() * scale
		local width = res.getStringWidth(banner) * scale
		if won then
			height = height + HUD_MARGIN + size
			width = max(width, 3 * size * 1.3)
		end
		if best then
			height = height + HUD_GAP + res.getFontHeight() * bestScale
			width = max(width, res.getStringWidth(best) * bestScale)
		end
		local inset = HINT_BORDER + HINT_PADDING
		setRenderState(0, 0, 1, 1, 0, 0, 0, 1)
		drawBoxNative(BOX_PARTS, screenWidth / 2, top - inset, min(screenWidth, width + 2 * inset), height + 2 * inset, "HCENTER", "TOP")
		centredText.scaleX, centredText.scaleY = scale, scale
		centredText.x = screenWidth / 2
		local below = drawLine(centredText, banner, top) + HUD_MARGIN
		if won then
			setRenderState(0, 0, size / 24, size / 24, 0, 0, 0, 1)
			for i = 1, stars do
				res.drawSprite("star", (screenWidth / 2 + (i - (stars + 1) / 2) * size * 1.3) * 24 / size, (below + size / 2) * 24 / size)
			end
			if best then
				centredText.scaleX, centredText.scaleY = bestScale, bestScale
				drawLine(centredText, best, below + size + HUD_GAP)
			end
		end
	end
end

-- The theme, then the level (blocks, targets, the flyer, the trails and the
-- aiming path, particles, the foreground), then the launcher and the text.
-- The host leaves the 2D render state as its last placement, so what is
-- drawn after the scene sets its own state first. The aiming path and the
-- theme's sprites are placed by the physics simulation scale: 20 pixels per
-- metre while the level is drawn (the theme keeps its scale of 1).
function draw()
	drawBackgroundNative(-1)
	setPhysicsSimulationScale(PPM)
	drawGameNative(FOREGROUND_DEPTH)
	setPhysicsSimulationScale(1)
	drawLines()
	drawLauncher()
	drawUserInterface()
end
