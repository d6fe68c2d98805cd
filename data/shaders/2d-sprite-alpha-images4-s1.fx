#define FULL_SATURATION
#include "2d-sprite-alpha-images4.fx"
