#define FULL_SATURATION
#define FULL_ALPHA
#include "2d-sprite-alpha.fx"
