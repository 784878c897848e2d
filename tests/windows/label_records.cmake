# Writes one feed for every label of the encoding label table and converts each with the native
# Linux build, for the Windows build to match. Each feed declares its label and carries the same
# high bytes: every byte from 0x80 to 0xFF in a row and each one before a '<'; the feed of the
# label that is its encoding's own name also ends its title, date and description with each
# byte in turn (a stray lead byte must not take the tag after it), and holds every pair of a
# byte from 0x80 with one from 0x30 (lead and trail, GB18030's four-byte sequences, a lead
# before '<').
#   cmake -DLORVEX=<native lorvex> -DLABELS=<encoding_labels.h> -DFEEDS=<folder> -DOUT=<folder>
#         -P label_records.cmake
# FEEDS receives NNN.xml and labels.txt, one line a feed: "NNN.xml label encoding kind page iconv
# body", kind being how the table reads the encoding (legacy: through the system's converter,
# by code page or iconv name) and body short or full. OUT receives NNN.xml.rec and
# NNN.xml.count as native_records.cmake writes them, and the same for as-utf8-short.xml and
# as-utf8-full.xml, the two feed bodies under a UTF-8 declaration: what a system that lacks an
# encoding's converter writes.
if(NOT LORVEX OR NOT EXISTS "${LORVEX}")
  message(FATAL_ERROR "No native lorvex tool at '${LORVEX}': build the ci preset first, or "
    "point LORVEX_NATIVE_LORVEX at the lorvex of a native build")
endif()

file(STRINGS ${LABELS} table)
set(labels "")
foreach(line IN LISTS table)
  if(line MATCHES "^inline constexpr NamedEncoding ([a-z0-9_]+) *{\"([^\"]+)\", ([A-Za-z0-9]+), {([0-9]*),? *\"?([^\"]*)")
    set(name_${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
    set(kind_${CMAKE_MATCH_1} ${CMAKE_MATCH_3})
    set(page_${CMAKE_MATCH_1} ${CMAKE_MATCH_4})
    set(iconv_${CMAKE_MATCH_1} ${CMAKE_MATCH_5})
  elseif(line MATCHES "^    {\"([^\"]+)\", &([a-z0-9_]+)}")
    list(APPEND labels "${CMAKE_MATCH_1}=${CMAKE_MATCH_2}")
  endif()
endforeach()
list(LENGTH labels label_count)
if(label_count LESS 100)
  message(FATAL_ERROR "${LABELS}: only ${label_count} labels read")
endif()

foreach(b RANGE 32 255)
  string(ASCII ${b} byte_${b})
endforeach()

function(append_range var first last)
  set(text "${${var}}")
  foreach(b RANGE ${first} ${last})
    string(APPEND text "${byte_${b}}")
  endforeach()
  set(${var} "${text}" PARENT_SCOPE)
endfunction()

function(item var title date description)
  set(${var} "${${var}}<item><title>${title}</title><description>${description}</description><pubDate>${date}</pubDate></item>\n" PARENT_SCOPE)
endfunction()

# Every feed: the high bytes in a row, and each before a '<'.
set(title "")
append_range(title 128 191)
set(date "")
append_range(date 192 223)
set(description "")
append_range(description 128 255)
set(short "")
item(short "${title}" "${date}" "${description}")
set(description "")
foreach(b RANGE 128 255)
  string(APPEND description "${byte_${b}}<")
endforeach()
item(short "before a tag" "d" "${description}")

# The encoding's own label: stray bytes before the closing tags, and the pairs.
set(full "${short}")
foreach(b RANGE 128 255 3)
  math(EXPR b2 "(${b} + 1) % 128 + 128")
  math(EXPR b3 "(${b} + 2) % 128 + 128")
  item(full "t${byte_${b}}" "d${byte_${b2}}" "s${byte_${b3}}")
endforeach()
foreach(lead RANGE 128 255)
  set(pairs "")
  foreach(trail RANGE 48 255)
    string(APPEND pairs "${byte_${lead}}${byte_${trail}}")
  endforeach()
  item(full "lead ${lead}" "d" "${pairs}")
endforeach()

function(write_feed path label body)
  file(WRITE ${path} "<?xml version=\"1.0\" encoding=\"${label}\"?>\n<rss><channel>\n${body}</channel></rss>\n")
endfunction()

function(convert feed)
  get_filename_component(name ${feed} NAME)
  execute_process(COMMAND ${LORVEX} convert --verbose ${feed} ${OUT}/${name}.rec
    ERROR_VARIABLE said RESULT_VARIABLE status)
  if(status EQUAL 0 AND said MATCHES "^lorvex: ([0-9]+) records? written")
    file(WRITE ${OUT}/${name}.count "${CMAKE_MATCH_1}\n")
  else()
    message(FATAL_ERROR "${LORVEX} convert ${feed}: exit ${status}\n${said}")
  endif()
endfunction()

file(REMOVE_RECURSE ${FEEDS} ${OUT})
file(MAKE_DIRECTORY ${FEEDS} ${OUT})
write_feed(${FEEDS}/as-utf8-short.xml utf-8 "${short}")
write_feed(${FEEDS}/as-utf8-full.xml utf-8 "${full}")
convert(${FEEDS}/as-utf8-short.xml)
convert(${FEEDS}/as-utf8-full.xml)

set(manifest "")
set(index 0)
foreach(entry IN LISTS labels)
  string(REGEX MATCH "^(.*)=([a-z0-9_]+)$" _ "${entry}")
  set(label ${CMAKE_MATCH_1})
  set(id ${CMAKE_MATCH_2})
  set(name ${name_${id}})
  string(LENGTH "00${index}" length)
  math(EXPR cut "${length} - 3")
  string(SUBSTRING "00${index}" ${cut} 3 number)
  set(feed ${FEEDS}/${number}.xml)
  if(label STREQUAL name)
    write_feed(${feed} ${label} "${full}")
    set(body full)
  else()
    write_feed(${feed} ${label} "${short}")
    set(body short)
  endif()
  convert(${feed})
  set(page ${page_${id}})
  set(iconv ${iconv_${id}})
  if(NOT page)
    set(page 0)
    set(iconv -)
  endif()
  string(APPEND manifest "${number}.xml ${label} ${name} ${kind_${id}} ${page} ${iconv} ${body}\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${FEEDS}/labels.txt "${manifest}")
message(STATUS "${index} label feeds converted by ${LORVEX} into ${OUT}")
