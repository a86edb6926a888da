# veltaro_delay_import(TARGET DLL...): TARGET and whatever links it call the
# functions of each DLL (ws2_32, gdiplus...) through a delay-load library made
# from the toolchain's import library: the DLL is not imported at load time but
# loaded on the first call, by platform/win32/system_dll.cpp from the system
# folder by its full path, never searched for.
function(veltaro_delay_import target)
  foreach(dll ${ARGN})
    set(lib ${CMAKE_BINARY_DIR}/delayimp/lib${dll}_delay.a)
    if(NOT TARGET veltaro_delayimp_${dll})
      find_library(VELTARO_IMPLIB_${dll} NAMES lib${dll}.a REQUIRED)
      set(def ${CMAKE_BINARY_DIR}/delayimp/${dll}.def)
      add_custom_command(OUTPUT ${lib}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delayimp
        COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/delay-def.sh ${CMAKE_NM} ${VELTARO_IMPLIB_${dll}} ${dll}.dll ${def}
        COMMAND ${CMAKE_DLLTOOL} --kill-at --input-def ${def} --output-delaylib ${lib}
        DEPENDS ${PROJECT_SOURCE_DIR}/cmake/delay-def.sh ${VELTARO_IMPLIB_${dll}}
        COMMENT "Delay-load library for ${dll}.dll" VERBATIM)
      add_custom_target(veltaro_delayimp_${dll} DEPENDS ${lib})
    endif()
    add_dependencies(${target} veltaro_delayimp_${dll})
    target_link_libraries(${target} PUBLIC ${lib})
  endforeach()
  # The hook that loads them must be the one linked, not the toolchain's empty default.
  target_link_options(${target} INTERFACE -Wl,--undefined=___pfnDliNotifyHook2)
endfunction()
