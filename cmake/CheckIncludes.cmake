# cmake -DFILES=<list> -DSTAMP=<file> -P CheckIncludes.cmake
# Fails on a quoted include that does not name its folder ("view/Renderer.h"):
# such an include would find a header beside the including file, past the
# layer's include root.
foreach(file IN LISTS FILES)
  file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS includes)
    if(NOT line MATCHES "\"[A-Za-z0-9_]+/[^\"/]+\"")
      message(FATAL_ERROR "${file}: ${line}: name the header's folder, as in \"view/Renderer.h\"")
    endif()
  endforeach()
endforeach()
file(TOUCH ${STAMP})
