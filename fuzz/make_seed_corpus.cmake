# Writes each SVF file of the folders DIRS ("|" between them) into OUT once
# behind each of a few mode bytes the fuzz target reads first: 0 plain,
# 1 compare, 2 verbose, 3 both; 5 and 7 (bit 2) followed by two bytes that
# put an offset of the file onto the tokenizer's buffer refill; 9 and :
# (bit 3) followed by the number of the write or read call that falls short.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
string(REPLACE "|" ";" dirs "${DIRS}")
set(sources)
foreach(dir IN LISTS dirs)
  file(GLOB found ${dir}/*.svf)
  list(APPEND sources ${found})
endforeach()
string(ASCII 2 second_call)
string(ASCII 3 third_call)
foreach(source IN LISTS sources)
  get_filename_component(name ${source} NAME_WE)
  file(READ ${source} text)
  set(index 0)
  foreach(mode IN ITEMS 0 1 2 3 5AA 7A@ 9${second_call} :${third_call})
    file(WRITE ${OUT}/${name}-${index}.svf "${mode}${text}")
    math(EXPR index "${index} + 1")
  endforeach()
endforeach()
file(WRITE ${OUT}/.stamp "")
