#define FULL_SATURATION
#define FULL_ALPHA
#include "2d-sprite-images4.fx"
