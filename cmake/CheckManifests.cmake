# Checks that every program of the given folders carries the application
# manifest that makes UTF-8 its active code page (see qm_windows_manifest):
# one program without it would turn every name outside its ANSI code page
# into question marks. The same manifest declares the execution level.
#   cmake -DDIRS="dir;dir" -P CheckManifests.cmake
set(programs)
foreach(dir ${DIRS})
  file(GLOB found ${dir}/*.exe)
  list(APPEND programs ${found})
endforeach()
if(NOT programs)
  message(FATAL_ERROR "no programs in ${DIRS}")
endif()
foreach(program ${programs})
  file(STRINGS ${program} code_page REGEX "<activeCodePage[^>]*>UTF-8</activeCodePage>")
  if(NOT code_page)
    message(FATAL_ERROR "${program}: no manifest with the UTF-8 active code page")
  endif()
  # Declared, so that Windows does not virtualise its HKLM writes into the user's VirtualStore.
  file(STRINGS ${program} level REGEX "<requestedExecutionLevel level=\"asInvoker\"")
  if(NOT level)
    message(FATAL_ERROR "${program}: no execution level in its manifest")
  endif()
  # Aware of the system's dots per inch: drawn at 150 % and 200 % rather than stretched blurred.
  file(STRINGS ${program} dpi REGEX "<dpiAware[^>]*>true</dpiAware>")
  file(STRINGS ${program} awareness REGEX "<dpiAwareness[^>]*>(system|permonitor|permonitorv2)")
  if(NOT dpi OR NOT awareness)
    message(FATAL_ERROR "${program}: its manifest does not declare it aware of the screen's dots per inch")
  endif()
endforeach()
list(LENGTH programs count)
message(STATUS "${count} programs, each with the UTF-8 active code page")
