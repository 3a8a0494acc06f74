/* The sizes of the GPU filter interface's records, in one list for the C and the C++ side of
 * the layout check. */
#pragma once

#include "PrSDKGPUDeviceSuite.h"
#include "PrSDKGPUFilter.h"
#include "PrSDKPPixSuite.h"
#include "PrSDKVideoSegmentSuite.h"

#define DUOVIS_PREMIERE_RECORD_SIZES                                                                        \
    sizeof(PrGPUFilterInstance), sizeof(PrGPUFilterRenderParams), sizeof(PrGPUFilterFrameDependency),       \
        sizeof(PrGPUFilterInfo), sizeof(PrGPUFilter), sizeof(PrGPUDeviceInfo), sizeof(PrSDKGPUDeviceSuite), \
        sizeof(PrParam), sizeof(prRect)
