-- Achievement identifiers; read straight into the host table.
achievementIds = {
	firstFlight = "lanterndrift.first",
	tenLaunches = "lanterndrift.ten",
}
