# The installer carries both builds: say which installation is missing rather
# than let makensis fail on the first absent file.
foreach(dist ${DIST32} ${DIST64})
  foreach(file Quillmoor.exe kelvrin.dll ostrum.dll Quillmoor.chm Quillmoor.admx en-US/Quillmoor.adml)
    if(NOT EXISTS ${dist}/${file})
      message(FATAL_ERROR "installer: ${dist}/${file} is missing; build both Windows presets first")
    endif()
  endforeach()
endforeach()
