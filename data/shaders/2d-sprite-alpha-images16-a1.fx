#define FULL_ALPHA
#include "2d-sprite-alpha-images16.fx"
