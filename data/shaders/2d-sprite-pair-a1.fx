#define FULL_ALPHA
#include "2d-sprite-pair.fx"
