# The editing host's GPU filter, built into DuovisX only. It launches through the kernel back
# ends of duovis_gpu_kernel; until that target exists DuovisX is built without the filter.
function(duovis_attach_gpu_filter)
  set(dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  if(NOT TARGET DuovisX)
    return()
  endif()
  if(NOT TARGET duovis_gpu_kernel)
    message(STATUS "DuovisX: no duovis_gpu_kernel target, built without the GPU filter")
    return()
  endif()
  target_sources(DuovisX PRIVATE ${dir}/PrGPUFilterBase.cpp ${dir}/GpuParams.cpp ${dir}/DuovisGpu.cpp
                                 ${dir}/GpuRender.cpp ${dir}/GpuFilterEntry.cpp)
  target_link_libraries(DuovisX PRIVATE duovis_gpu_kernel duovis_sdk_premiere)
endfunction()

# src/gpu is read before src/host, so the kernel library is known by the time this runs.
duovis_attach_gpu_filter()
