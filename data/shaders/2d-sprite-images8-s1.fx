#define FULL_SATURATION
#include "2d-sprite-images8.fx"
