#include "FuzzDecoder.h"
#include "util/image/JpegDecoder.h"

VADROME_FUZZ_DECODER(DecodeJpeg)
