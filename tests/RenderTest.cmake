# Runs fractavo-render (through the emulator for Windows builds) and checks
# what it writes and what it refuses. Paths handed to it are relative to WORK,
# which Wine understands as well as the host does.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${DATA}/deep.spt DESTINATION ${WORK})
file(WRITE ${WORK}/short.spt "too short")

# Output goes through files, not pipes: Wine's services would hold a pipe open
# for seconds after each run.
function(run)
  execute_process(COMMAND ${EMULATOR} ${RENDER} ${ARGN} WORKING_DIRECTORY ${WORK} TIMEOUT 300
                  RESULT_VARIABLE rc OUTPUT_FILE ${WORK}.out ERROR_FILE ${WORK}.err)
  file(READ ${WORK}.out out)
  file(READ ${WORK}.err err)
  set(rc "${rc}" PARENT_SCOPE)
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

function(render)
  run(${ARGN})
  # Not on a terminal, so no progress line either.
  if(NOT rc EQUAL 0 OR NOT err STREQUAL "")
    message(FATAL_ERROR "fractavo-render ${ARGN}: exit ${rc}\n${err}")
  endif()
  message(STATUS "${out}")
  set(out "${out}" PARENT_SCOPE)
endfunction()

# Must fail with a message and leave the folder as it was.
function(refuse)
  file(GLOB before RELATIVE ${WORK} ${WORK}/*)
  file(SHA256 ${WORK}/kept.bmp kept)
  run(-o kept.bmp ${ARGN})
  file(GLOB after RELATIVE ${WORK} ${WORK}/*)
  file(SHA256 ${WORK}/kept.bmp kept_after)
  if(rc EQUAL 0 OR err STREQUAL "" OR NOT before STREQUAL after OR NOT kept STREQUAL kept_after)
    message(FATAL_ERROR "fractavo-render ${ARGN}: exit ${rc}, files ${after}, stderr: ${err}")
  endif()
endfunction()

function(expect_file name size sha256)
  file(SIZE ${WORK}/${name} actual_size)
  file(SHA256 ${WORK}/${name} actual_sha)
  if(NOT actual_size EQUAL size OR (sha256 AND NOT actual_sha STREQUAL sha256))
    message(FATAL_ERROR "${name}: ${actual_size} bytes, SHA-256 ${actual_sha}")
  endif()
endfunction()

# No arguments: the default view, 400 pixels at 24 bits, the same on every build.
# Drawn in two bands, it is the same as when it was drawn whole.
render()
if(NOT out MATCHES "400x400, 200 iterations")
  message(FATAL_ERROR "summary: ${out}")
endif()
expect_file(fractavo.bmp 480054 "5c10d96c042865871bc7c43da350a4c584f36b34f4d7553d324c19ec1ce9a8aa")
render(--supersample 1 -o one.bmp)
if(NOT out MATCHES "supersample 1,")
  message(FATAL_ERROR "summary: ${out}")
endif()
expect_file(one.bmp 480054 "5c10d96c042865871bc7c43da350a4c584f36b34f4d7553d324c19ec1ce9a8aa")

set(odd --size 401 --iterations 1000 --centre -0.75,0.1 --half-width 0.05 --in "#000000" --out "#FFFFFF")
render(${odd} -o odd.bmp)
expect_file(odd.bmp 482858 "")

# The plain loop on one thread draws the same bytes as the default kernel on every core.
render(${odd} --kernel scalar --threads 1 -o scalar.bmp)
if(NOT out MATCHES "kernel scalar, 1 thread\n")
  message(FATAL_ERROR "summary: ${out}")
endif()
file(SHA256 ${WORK}/odd.bmp odd_sha)
expect_file(scalar.bmp 482858 ${odd_sha})

# A square written WxH is the same square; other shapes have their own.
render(--size 300x300 -o square.bmp)
render(--size 300 -o plain.bmp)
file(SHA256 ${WORK}/plain.bmp plain_sha)
expect_file(square.bmp 270054 ${plain_sha})
render(${odd} --size 301x200 -o wide.bmp)
if(NOT out MATCHES "301x200, 1000 iterations")
  message(FATAL_ERROR "summary: ${out}")
endif()
expect_file(wide.bmp 180854 "058096dc17e23c03ad09ef92bbebd161935ff97dc6ca7992fd0a79d9c35049a1")

# A Spot file gives the same image as the same view typed out.
render(--spot deep.spt --size 64 -o spot.bmp)
render(--size 64 --centre -0.743643887037151,0.131825904205330 --half-width 1e-12 --iterations 3000
       --in "#0080FF" --out "#000020" -o typed.bmp)
file(SHA256 ${WORK}/spot.bmp spot_sha)
expect_file(typed.bmp 12342 ${spot_sha})

file(WRITE ${WORK}/kept.bmp "an older picture")
foreach(bad IN ITEMS "--size;15" "--size;37838" "--size;4x" "--iterations;0" "--iterations;32768"
                     "--in;123456" "--out;#12345G" "--centre;1" "--centre;1,nan" "--half-width;0"
                     "--half-width;inf" "--kernel;avx" "--threads;0" "--threads;257"
                     "--bogus;1" "--size" "--spot;missing.spt" "--spot;short.spt" "-o;x.jpg" "-o;png"
                     "--frames;3;-o;f%d.png" "--zoom-to;deep.spt;-o;f%d.png"
                     "--zoom-to;deep.spt;--frames;1;-o;f%d.png" "--zoom-to;deep.spt;--frames;3;-o;f.png"
                     "--zoom-to;deep.spt;--frames;3;-o;f%d%d.png" "--zoom-to;deep.spt;--frames;3;-o;f%s.png"
                     "--zoom-to;deep.spt;--frames;3;-o;f%d" "--zoom-to;missing.spt;--frames;3;-o;f%d.png"
                     "--zoom-to;short.spt;--frames;3;-o;f%d.png" "--supersample;0" "--supersample;9"
                     "--supersample;2x"
                     "--size;0x100" "--size;100x" "--size;x" "--size;100x100x100" "--size;-100"
                     "--size;100x-100" "--size;100x65537" "--size;65536x21846")
  refuse(${bad})
endforeach()

# A failed write leaves nothing behind either.
run(--size 16 -o no-such-folder/x.bmp)
file(GLOB left RELATIVE ${WORK} ${WORK}/*.partial* ${WORK}/no-such-folder)
if(rc EQUAL 0 OR left)
  message(FATAL_ERROR "write into a missing folder: exit ${rc}, left ${left}")
endif()

# An existing file is replaced whole, and a file that happens to have the
# temporary file's name is left as it was.
file(WRITE ${WORK}/kept.bmp.partial "somebody's")
render(-o kept.bmp)
expect_file(kept.bmp 480054 "5c10d96c042865871bc7c43da350a4c584f36b34f4d7553d324c19ec1ce9a8aa")
file(READ ${WORK}/kept.bmp.partial partial)
file(GLOB left RELATIVE ${WORK} ${WORK}/kept.bmp.partial?*)
if(NOT partial STREQUAL "somebody's" OR left)
  message(FATAL_ERROR "kept.bmp.partial: '${partial}', left ${left}")
endif()

# A link is written through: the file it names is replaced and the link
# stays. (Windows replaces a link itself.)
if(NOT EMULATOR)
  file(MAKE_DIRECTORY ${WORK}/pictures)
  file(CREATE_LINK pictures/linked.bmp ${WORK}/link.bmp SYMBOLIC)
  render(--size 16 -o link.bmp)
  file(GLOB left RELATIVE ${WORK} ${WORK}/pictures/*)
  if(NOT IS_SYMLINK ${WORK}/link.bmp OR NOT left STREQUAL "pictures/linked.bmp")
    message(FATAL_ERROR "writing through link.bmp left ${left}")
  endif()
  # One that names no regular file is refused, and the node stays.
  execute_process(COMMAND mkfifo ${WORK}/pictures/pipe.bmp)
  file(CREATE_LINK pictures/pipe.bmp ${WORK}/pipe.bmp SYMBOLIC)
  run(--size 16 -o pipe.bmp)
  execute_process(COMMAND test -p ${WORK}/pictures/pipe.bmp RESULT_VARIABLE fifo)
  if(rc EQUAL 0 OR NOT err MATCHES "cannot write pipe.bmp: not a regular file" OR NOT fifo EQUAL 0)
    message(FATAL_ERROR "writing through pipe.bmp: exit ${rc}, stderr: ${err}")
  endif()
endif()

# A PNG holds the BMP's pixels, in groups of rows compressed apart that give
# the same bytes however many threads compress them.
render(${odd} -o odd.png)
execute_process(COMMAND compare -metric AE ${WORK}/odd.png ${WORK}/odd.bmp null: RESULT_VARIABLE rc ERROR_VARIABLE differ)
if(NOT rc EQUAL 0 OR NOT differ STREQUAL "0")
  message(FATAL_ERROR "odd.png and odd.bmp: ${differ}")
endif()
file(SHA256 ${WORK}/odd.png odd_png_sha)
file(SIZE ${WORK}/odd.png odd_png_size)
foreach(threads 1 3)
  render(${odd} --threads ${threads} -o odd${threads}.png)
  expect_file(odd${threads}.png ${odd_png_size} ${odd_png_sha})
endforeach()

# A zoom sequence starts at the base view and ends at the target's region,
# in the base view's colours and limit.
set(base --size 48x36 --iterations 500 --in "#102030" --out "#F0E0D0")
render(${base} --zoom-to deep.spt --frames 4 -o "frame%02d.png")
render(${base} -o first.png)
render(${base} --centre -0.743643887037151,0.131825904205330 --half-width 1e-12 -o last.png)
foreach(pair IN ITEMS "frame01.png;first.png" "frame04.png;last.png")
  list(GET pair 0 frame)
  list(GET pair 1 single)
  file(SHA256 ${WORK}/${single} expected)
  file(SIZE ${WORK}/${single} size)
  expect_file(${frame} ${size} ${expected})
endforeach()

# Past a file size limit the write fails cleanly and leaves nothing behind.
if(NOT EMULATOR)
  execute_process(COMMAND sh -c "ulimit -f 20 && exec \"$0\" --size 1000 -o full.png" ${RENDER}
                  WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc ERROR_VARIABLE err)
  file(GLOB left RELATIVE ${WORK} ${WORK}/full.png*)
  if(rc EQUAL 0 OR left OR NOT err MATCHES "cannot write full.png")
    message(FATAL_ERROR "a full disk: exit ${rc}, left ${left}, stderr: ${err}")
  endif()
endif()

# Three shards together write the frames of one run, byte for byte.
set(zoom ${base} --zoom-to deep.spt --frames 7)
render(${zoom} -o "whole%d.png")
foreach(k 1 2 3)
  render(${zoom} --shard ${k}/3 -o "shard%d.png")
endforeach()
foreach(k RANGE 1 7)
  file(SHA256 ${WORK}/whole${k}.png expected)
  file(SIZE ${WORK}/whole${k}.png size)
  expect_file(shard${k}.png ${size} ${expected})
endforeach()

# A second run renders only the frames that are missing; --overwrite renders all.
file(REMOVE ${WORK}/shard5.png)
file(WRITE ${WORK}/shard2.png "not rewritten")
render(${zoom} -o "shard%d.png")
if(NOT out MATCHES "1 frame, 6 frames skipped,")
  message(FATAL_ERROR "summary: ${out}")
endif()
file(READ ${WORK}/shard2.png kept)
file(SHA256 ${WORK}/whole5.png expected)
expect_file(shard5.png ${size} ${expected})
render(${zoom} --overwrite -o "shard%d.png")
file(SHA256 ${WORK}/whole2.png expected)
file(SIZE ${WORK}/whole2.png size)
if(NOT kept STREQUAL "not rewritten" OR out MATCHES "skipped")
  message(FATAL_ERROR "resumed over shard2.png: '${kept}', ${out}")
endif()
expect_file(shard2.png ${size} ${expected})

set(ENV{SLURM_ARRAY_TASK_ID} 7)
set(ENV{SLURM_ARRAY_TASK_MIN} 3)
set(ENV{SLURM_ARRAY_TASK_STEP} 2)
set(ENV{SLURM_ARRAY_TASK_COUNT} 4)
render(${zoom} --shard slurm -o "slurm%d.png")
file(GLOB written RELATIVE ${WORK} ${WORK}/slurm*)
if(NOT written STREQUAL "slurm3.png;slurm7.png")
  message(FATAL_ERROR "--shard slurm as task 3 of 4 wrote ${written}")
endif()
foreach(bad "0/3" "4/3" "1/0" "1" "1/" "/3" "a/3" "1/3/3" "slurm")
  if(bad STREQUAL "slurm")
    unset(ENV{SLURM_ARRAY_TASK_ID})
  endif()
  refuse(${zoom} --shard ${bad} -o "s%d.png")
endforeach()
refuse(--shard 1/2 --join kept.bmp)

# A poster rendered in three bands and joined is the image one run writes.
set(poster --size 301x203 --supersample 2 --iterations 300)
foreach(ext png bmp)
  render(${poster} -o poster.${ext})
  foreach(k 1 2 3)
    render(${poster} --shard ${k}/3 -o joined.${ext})
  endforeach()
  render(--join joined.${ext})
  file(SHA256 ${WORK}/poster.${ext} expected)
  file(SIZE ${WORK}/poster.${ext} size)
  expect_file(joined.${ext} ${size} ${expected})
endforeach()

# A join with a part missing, damaged or of another render writes nothing.
function(refuse_join why)
  file(REMOVE ${WORK}/joined.png)
  run(--join joined.png)
  if(rc EQUAL 0 OR NOT err MATCHES "${why}" OR EXISTS ${WORK}/joined.png)
    message(FATAL_ERROR "--join: exit ${rc}, stderr: ${err}")
  endif()
endfunction()
set(part2 ${WORK}/joined.png.part2of3)
file(RENAME ${part2} ${WORK}/aside)
refuse_join("part 2 of 3 .* is missing")
file(RENAME ${WORK}/aside ${part2})
file(SIZE ${part2} size)
math(EXPR at "${size} - 40")
file(READ ${part2} byte OFFSET ${at} LIMIT 1 HEX)
math(EXPR flipped "255 - 0x${byte}")
execute_process(COMMAND sh -c [[printf "$(printf '\\%03o' "$1")" | dd of="$0" bs=1 seek="$2" conv=notrunc 2>/dev/null]]
                        ${part2} ${flipped} ${at})
refuse_join("part2of3 is damaged")
render(--size 301x202 --supersample 2 --iterations 300 --shard 2/3 -o joined.png)
refuse_join("parts of different renders")

# An interrupted run removes its temporary file and ends as a signal does:
# 128 + 15 after SIGTERM. Wine hands a Windows program SIGINT as Ctrl+C, and
# passes on the low byte of its STATUS_CONTROL_C_EXIT, 58.
if(EMULATOR)
  set(signal INT)
  set(status 58)
else()
  set(signal TERM)
  set(status 143)
endif()
execute_process(COMMAND sh -c "\"$@\" --size 3000 --iterations 32767 -o long.png & pid=$!
                               n=0; while [ ! -e long.png.partial ] && [ $n -lt 300 ]; do sleep 0.1; n=$((n+1)); done
                               kill -${signal} $pid; wait $pid" sh ${EMULATOR} ${RENDER}
                WORKING_DIRECTORY ${WORK} RESULT_VARIABLE rc)
file(GLOB left RELATIVE ${WORK} ${WORK}/long.png*)
if(NOT rc EQUAL status OR left)
  message(FATAL_ERROR "SIG${signal}: exit ${rc}, left ${left}")
endif()
