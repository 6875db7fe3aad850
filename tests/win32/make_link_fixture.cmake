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
# An installed folder where a user has prepared names of this program's
# temporaries for a run that no process has (2147483644): a folder holding a
# link to "outside", a folder of its own and a file, and a second name of a
# file outside; and one real leftover temporary.
set(root "${FIXTURE}/for-cleanup")
set(dead "~Quadrivo-2147483644")
file(REMOVE_RECURSE "${root}")
file(MAKE_DIRECTORY "${root}/outside" "${root}/installed/${dead}/Capitoli")
file(WRITE "${root}/outside/keep.txt" "outside")
file(WRITE "${root}/installed/${dead}/Capitoli/uno.htm" "the user's")
file(WRITE "${root}/installed/${dead}/appunti.txt" "the user's")
file(CREATE_LINK "../../outside" "${root}/installed/${dead}/to-outside" SYMBOLIC)
file(WRITE "${root}/installed/${dead}-1.tmp" "half a help page")
file(CREATE_LINK "${root}/outside/keep.txt" "${root}/installed/${dead}-3.tmp")
# Installed help folders with a link where the copies would go: a subfolder
# of Guida, and Guida itself, each pointing at a folder outside.
foreach(tree guida-subfolder guida-itself)
  set(root "${FIXTURE}/for-${tree}")
  file(REMOVE_RECURSE "${root}")
  file(MAKE_DIRECTORY "${root}/outside" "${root}/media/Capitoli" "${root}/installed")
  file(WRITE "${root}/outside/keep.txt" "outside")
  file(WRITE "${root}/media/indice.htm" "new indice")
  file(WRITE "${root}/media/Capitoli/keep.txt" "new chapter")
endforeach()
file(MAKE_DIRECTORY "${FIXTURE}/for-guida-subfolder/installed/Guida")
file(CREATE_LINK "../../outside" "${FIXTURE}/for-guida-subfolder/installed/Guida/Capitoli" SYMBOLIC)
file(CREATE_LINK "../outside" "${FIXTURE}/for-guida-itself/installed/Guida" SYMBOLIC)
