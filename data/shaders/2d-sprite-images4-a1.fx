#define FULL_ALPHA
#include "2d-sprite-images4.fx"
