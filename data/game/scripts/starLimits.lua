-- Points needed for one, two and three stars, per level.
meadow = { 2500, 4000, 5500 }
riverbank = { 3500, 5000, 6500 }
hilltop = { 4000, 6000, 8000 }
