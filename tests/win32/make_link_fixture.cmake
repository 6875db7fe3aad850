# Makes, before the Win32 tests run, two trees whose "source" folder holds
# symbolic links to folders beside it: Wine shows a host symbolic link to a
# folder as a reparse point, but cannot make one itself.
#   cmake -DFIXTURE=<folder> -P make_link_fixture.cmake
foreach(tree for-copy for-delete)
  set(root "${FIXTURE}/${tree}")
  file(REMOVE_RECURSE "${root}")
  file(MAKE_DIRECTORY "${root}/outside" "${root}/outside-empty" "${root}/source/Capitoli")
  file(WRITE "${root}/outside/keep.txt" "outside")
  file(WRITE "${root}/source/indice.htm" "new indice")
  file(WRITE "${root}/source/Capitoli/uno.htm" "new uno")
  file(CREATE_LINK "../outside" "${root}/source/to-outside" SYMBOLIC)
  file(CREATE_LINK "../../outside-empty" "${root}/source/Capitoli/to-outside-empty" SYMBOLIC)
endforeach()
