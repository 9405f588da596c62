#define QV_NATIVE_NS o2
#include "engine_native_models.inc"
