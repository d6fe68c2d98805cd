#define FULL_SATURATION
#include "2d-sprite-images4.fx"
