// The whole filter framework in one include.
#pragma once

#include "baseclasses/allocator.h"
#include "baseclasses/com_base.h"
#include "baseclasses/filter.h"
#include "baseclasses/media_type.h"
#include "baseclasses/persist_stream.h"
#include "baseclasses/pins.h"
#include "baseclasses/pos_pass_thru.h"
#include "baseclasses/renderer.h"
#include "baseclasses/transform_filter.h"
