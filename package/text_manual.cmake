# Writes the man1 page of a program that takes no options.
# Its description is made of TEXTS, each of paragraphs separated by blank
# lines; further sections come from INCLUDES in help2man's include format (a
# [SECTION] line, then roff). Run as cmake -DPROGRAM= -DVERSION= -DSUMMARY=
# -DTEXTS= -DINCLUDES= -DOUTPUT= -P; SOURCE_DATE_EPOCH sets the page's date.
set(description)
foreach(text IN LISTS TEXTS)
  file(READ ${text} paragraphs)
  string(STRIP "${paragraphs}" paragraphs)
  string(APPEND description "${paragraphs}\n\n")
endforeach()
string(STRIP "${description}" description)
string(REPLACE "\\" "\\e" description "${description}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" description "${description}")
string(REPLACE "\n\n" "\n.PP\n" description "${description}")

string(TOUPPER ${PROGRAM} title)
string(SUBSTRING "${SUMMARY}" 0 1 initial)
string(TOLOWER ${initial} initial)
string(SUBSTRING "${SUMMARY}" 1 -1 rest)
string(TIMESTAMP date "%B %Y" UTC)
set(page ".TH ${title} 1 \"${date}\" \"${PROGRAM} ${VERSION}\" \"User Commands\"
.SH NAME
${PROGRAM} \\- ${initial}${rest}
.SH SYNOPSIS
.B ${PROGRAM}
.SH DESCRIPTION
${description}
")
foreach(include IN LISTS INCLUDES)
  file(READ ${include} sections)
  string(REGEX REPLACE "\n\n+" "\n" sections "${sections}")
  string(REGEX REPLACE "(^|\n)\\[([^]\n]+)\\]" "\\1.SH \"\\2\"" sections "${sections}")
  string(APPEND page "${sections}")
endforeach()
file(WRITE ${OUTPUT} "${page}")
