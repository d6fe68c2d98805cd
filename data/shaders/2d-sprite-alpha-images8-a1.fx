#define FULL_ALPHA
#include "2d-sprite-alpha-images8.fx"
