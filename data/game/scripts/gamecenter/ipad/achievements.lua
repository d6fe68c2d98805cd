-- Achievements: identifier and menu icon of each; read straight into the host table.
achievements = {
	firstFlight = { id = "lanterndrift.first", icon = "star" },
	tenLaunches = { id = "lanterndrift.ten", icon = "star" },
}
