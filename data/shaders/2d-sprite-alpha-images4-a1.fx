#define FULL_ALPHA
#include "2d-sprite-alpha-images4.fx"
