# Composite sprites of the sample menu sheet.
version 1
composite play_button
part button 0 0
part arrow 18 0
composite star_row
part star -26 0
part star 0 -4
part star 26 0
composite tower
part block_wood 0 -8
part block_stone -16 -24
part block_stone 16 -24
part ball 0 -40
