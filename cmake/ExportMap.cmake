# Writes the linker version script of libcorvane: the shared object exports
# what the public headers declare at namespace scope, and nothing else.
#   cmake -DOUTPUT=<map> -DHEADERS=<a.h;b.h;...> -P ExportMap.cmake
#
# The headers follow the repository's format, so namespace-scope declarations
# start in column 0 and class members are indented. For each class or struct
# the script exports its members, type information, vtable, VTT, thunks and
# the statics of its inline functions; for each free function or variable,
# every overload of the name. Patterns are written on the mangled names:
# their length prefixes make `Foo` never match `FooBar`, which a demangled
# glob would, and the patterns never overlap with `local: *`, so GNU ld,
# gold and lld all read them alike. C functions (the board helpers, the
# register-window library) are never exported.

# _Z mangling of a qualified name without the leading N: Corvane::Sdi::X
# gives 7Corvane3Sdi1X.
function(mangled_prefix qualified out)
  string(REPLACE "::" ";" parts "${qualified}")
  set(m "")
  foreach(p IN LISTS parts)
    string(LENGTH "${p}" n)
    string(APPEND m "${n}${p}")
  endforeach()
  set(${out} "${m}" PARENT_SCOPE)
endfunction()

set(keywords "^(public|private|protected|signals|template|extern template|using|typedef|enum|union|inline|constexpr|static_assert|extern \"C\"|Q_)")
# operator spellings and their mangled codes, pairwise
set(operators "<<" ls ">>" rs "==" eq "!=" ne "<" lt ">" gt)
set(patterns "")
foreach(header IN LISTS HEADERS)
  file(STRINGS "${header}" lines ENCODING UTF-8 REGEX "^[^ \t#/]")
  set(scope "")
  set(in_body OFF)
  foreach(line IN LISTS lines)
    if(line MATCHES "^namespace ([A-Za-z0-9_:]+) *{")
      list(APPEND scope "${CMAKE_MATCH_1}")
      continue()
    elseif(line MATCHES "^}" AND NOT line MATCHES "^};")
      # the end of a function body written at namespace scope, or of a namespace
      if(in_body)
        set(in_body OFF)
      elseif(NOT scope)
        message(FATAL_ERROR "${header}: a namespace closes that was never opened")
      else()
        list(POP_BACK scope)
      endif()
      continue()
    endif()
    if(line MATCHES "{$" AND NOT line MATCHES "^(class|struct|enum|union|template)[ <]|= *{$")
      set(in_body ON)
    endif()
    list(JOIN scope "::" ns)
    if(NOT ns MATCHES "^Corvane(::|$)" OR line MATCHES "${keywords}")
      continue()
    endif()
    if(line MATCHES "^(class|struct) ([A-Za-z0-9_]+)( final)? *([:{<]|$)")
      mangled_prefix("${ns}::${CMAKE_MATCH_2}" p)
      list(APPEND patterns "_ZN${p}*" "_ZNK${p}*" "_ZT[ISVT]N${p}*" "_ZT[hv]*_N${p}*"
        "_ZT[hv]*_NK${p}*" "_ZZN${p}*" "_ZZNK${p}*" "_ZGVZN${p}*" "_ZGVZNK${p}*")
    elseif(line MATCHES "[ *&]operator(<<|>>|==|!=|<|>)\\(")
      # operators at namespace scope: every overload of that operator
      list(FIND operators "${CMAKE_MATCH_1}" i)
      math(EXPR i "${i} + 1")
      list(GET operators ${i} code)
      mangled_prefix("${ns}" p)
      list(APPEND patterns "_ZN${p}${code}*")
    elseif(line MATCHES "^[^(=]*[ *&]([A-Za-z_][A-Za-z0-9_]*)\\(")
      # a function: its name stands before the parenthesis
      mangled_prefix("${ns}::${CMAKE_MATCH_1}" p)
      list(APPEND patterns "_ZN${p}*" "_ZZN${p}*" "_ZGVZN${p}*")
    elseif(line MATCHES "^extern .*[ *&]([A-Za-z_][A-Za-z0-9_]*)(\\[[^]]*\\])?;")
      mangled_prefix("${ns}::${CMAKE_MATCH_1}" p)
      list(APPEND patterns "_ZN${p}*")
    elseif(NOT line MATCHES "^(class|struct) [A-Za-z0-9_]+;$|^};$")
      message(FATAL_ERROR "${header}: cannot tell what this declares: ${line}")
    endif()
  endforeach()
  if(scope OR in_body)
    message(FATAL_ERROR "${header}: ends inside namespace ${scope} or a function body")
  endif()
endforeach()
list(REMOVE_DUPLICATES patterns)
list(JOIN patterns ";\n    " body)
set(text "/* Generated from the public headers by cmake/ExportMap.cmake. */\n{\n  global:\n    ${body};\n  local: *;\n};\n")
# Written only when it changes, so an edit elsewhere in a header does not
# relink the library.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
  if(old STREQUAL text)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${text}")
