// Placeholder until the WMA reader and writer land: no WMA support built.

#include "codecs/CSoundFile.h"

int32_t CSoundFile::ReadWma()
{
    return 0;
}

int32_t CSoundFile::WriteWma()
{
    return 0;
}
