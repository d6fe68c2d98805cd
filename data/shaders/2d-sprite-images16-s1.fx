#define FULL_SATURATION
#include "2d-sprite-images16.fx"
