# Lays out a program folder of the mail-client edition for the end-to-end tests, without
# putting the hook library into the default build's bin/: the program is hard-linked (its
# program folder is the folder of the real file, so a symbolic link would not do); the
# libraries and language files it loads from its folder, the toolbar pictures of the hook
# library and libtwox.so are linked in by name.
#   cmake -DBIN=<bin folder> -DHOOK=<libtwox.so> -DOUT=<program folder> -P LayOutProgramFolder.cmake
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
file(CREATE_LINK "${BIN}/tidewell" "${OUT}/tidewell" COPY_ON_ERROR)
file(GLOB libraries "${BIN}/*.so" "${BIN}/*.so.*" "${BIN}/*.lang")
foreach(library IN LISTS libraries)
  get_filename_component(name "${library}" NAME)
  if(NOT name STREQUAL "libtwox.so")
    file(CREATE_LINK "${library}" "${OUT}/${name}" SYMBOLIC)
  endif()
endforeach()
file(CREATE_LINK "${HOOK}" "${OUT}/libtwox.so" SYMBOLIC)
if(IS_DIRECTORY "${BIN}/bitmaps")
  file(CREATE_LINK "${BIN}/bitmaps" "${OUT}/bitmaps" SYMBOLIC)
endif()
