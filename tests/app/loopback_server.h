// LoopbackServer now lives in the shared GUI test helpers.
#pragma once
#include "frame_fixture.h"
