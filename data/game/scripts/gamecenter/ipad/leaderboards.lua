-- Leaderboard identifiers by name.
longestDrift = "lanterndrift.longest"
totalStars = "lanterndrift.stars"
