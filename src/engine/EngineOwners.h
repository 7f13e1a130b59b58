#pragma once
// Owners for the library objects the engine keeps: the shared media owners
// under the engine's names.

#include "MediaOwners.h"

namespace v2m::engine {

using v2m::AudioFifoPtr;
using v2m::BitstreamFilterPtr;
using v2m::CFilePtr;
using v2m::CodecContextPtr;
using v2m::FormatContextPtr;
using v2m::InputContextPtr;
using v2m::OutputContextClose;
using v2m::ResamplerPtr;
using v2m::ScalerContextPtr;

}  // namespace v2m::engine
