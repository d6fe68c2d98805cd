#define FULL_ALPHA
#include "2d-sprite-images16.fx"
