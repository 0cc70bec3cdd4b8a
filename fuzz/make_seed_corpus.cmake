# Writes each SVF file of the folders DIRS ("|" between them) into OUT once
# behind each of a few mode bytes the fuzz target reads first: 0 plain,
# 1 compare, 2 verbose, 3 both; 5 and 7 (bit 2) followed by two bytes that
# put an offset of the file onto the tokenizer's buffer refill.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
string(REPLACE "|" ";" dirs "${DIRS}")
set(sources)
foreach(dir IN LISTS dirs)
  file(GLOB found ${dir}/*.svf)
  list(APPEND sources ${found})
endforeach()
foreach(source IN LISTS sources)
  get_filename_component(name ${source} NAME_WE)
  file(READ ${source} text)
  foreach(mode IN ITEMS 0 1 2 3 5AA 7A@)
    file(WRITE ${OUT}/${name}-${mode}.svf "${mode}${text}")
  endforeach()
endforeach()
file(WRITE ${OUT}/.stamp "")
