# Turns a catalog source in gencat's format into a message-compiler source: every
# message of set 1 becomes the message whose id is its number, in US English (which
# FormatMessageA falls back to), its text ending without a line break (%0).
# Run with -DSOURCE= -DOUTPUT=.
file(READ ${SOURCE} content)
string(REPLACE ";" "@semicolon@" content "${content}")  # kept out of CMake's lists
string(REPLACE "\n" ";" lines "${content}")
set(set 0)
set(quote "")
set(mc "")
foreach(line IN LISTS lines)
  if(line MATCHES "^\\$quote[ \t]+(.)")
    set(quote "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^\\$set[ \t]+([0-9]+)")
    set(set ${CMAKE_MATCH_1})
  elseif(set EQUAL 1 AND line MATCHES "^([0-9]+)[ \t](.*)$")
    set(number ${CMAKE_MATCH_1})
    set(text "${CMAKE_MATCH_2}")
    if(NOT quote STREQUAL "" AND text MATCHES "^${quote}(.*)${quote}[ \t]*$")
      set(text "${CMAKE_MATCH_1}")
    endif()
    string(REPLACE "\\${quote}" "${quote}" text "${text}")
    string(REPLACE "%" "%%" text "${text}")
    string(REPLACE "@semicolon@" ";" text "${text}")
    string(APPEND mc "MessageId=${number}\nLanguage=English\n${text}%0\n.\n\n")
  endif()
endforeach()
file(WRITE ${OUTPUT} "${mc}")
