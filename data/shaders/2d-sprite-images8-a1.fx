#define FULL_ALPHA
#include "2d-sprite-images8.fx"
