#define QV_NATIVE_NS fast
#include "engine_native_models.inc"
