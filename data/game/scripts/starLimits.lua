-- Points needed for one, two and three stars, per level.
meadow = { 1000, 2500, 4000 }
riverbank = { 1500, 3000, 5000 }
hilltop = { 2000, 4000, 6500 }
