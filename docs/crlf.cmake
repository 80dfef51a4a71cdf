# cmake -P crlf.cmake FILE...: gives each file CR LF line ends. halibut ends most lines of the
# contents file and the text with LF alone; Windows' readers of those files expect CR LF.
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE 3 ${last})
    file(READ "${CMAKE_ARGV${i}}" text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE "${CMAKE_ARGV${i}}" "${text}")
endforeach()
