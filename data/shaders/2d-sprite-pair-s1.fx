#define FULL_SATURATION
#include "2d-sprite-pair.fx"
