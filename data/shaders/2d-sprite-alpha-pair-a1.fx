#define FULL_ALPHA
#include "2d-sprite-alpha-pair.fx"
