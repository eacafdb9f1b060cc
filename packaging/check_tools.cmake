# Run by cpack for each generator. Without dpkg-shlibdeps (dpkg-dev) the
# DEB generator would leave Depends: out of the package without a word,
# and without file it cannot tell which installed files are programs.
if(CPACK_GENERATOR STREQUAL "DEB")
  foreach(tool IN ITEMS dpkg-shlibdeps file)
    find_program(glyfex_tool_${tool} ${tool})
    if(NOT glyfex_tool_${tool})
      message(FATAL_ERROR "Packaging a .deb needs ${tool}: apt-get install dpkg-dev file")
    endif()
  endforeach()
endif()
