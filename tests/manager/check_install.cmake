# Installs the build into a fresh prefix and checks what lands there.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P check_install.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(expected
  bin/QuillCollectorManager bin/QuillCollectorService bin/Moorline bin/Sealwright
  share/applications/quillcollector-manager.desktop)
foreach(size 16 24 32 48 64 256)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/quillcollector-manager.png)
endforeach()
foreach(file IN LISTS expected)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(READ "${PREFIX}/share/applications/quillcollector-manager.desktop" entry)
foreach(line "Exec=\"${PREFIX}/bin/QuillCollectorManager\"" "Icon=quillcollector-manager" "Type=Application")
  string(FIND "${entry}" "${line}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks the line ${line}:\n${entry}")
  endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
