# Builds the Debian package from what the build produced and checks what it holds: the bundle
# layout, the desktop entry naming the installed bundle, the icon, nothing stray, and the declared
# run-time dependencies. Run as: cmake -DBINARY_DIR=<build> -P CheckPackageContents.cmake

if(NOT BINARY_DIR)
  message(FATAL_ERROR "BINARY_DIR is not set")
endif()
set(work "${BINARY_DIR}/package-contents-test")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")

# Fast compression: the test is about what is inside, not about the size.
execute_process(
  COMMAND cpack -G DEB -B "${work}" --config "${BINARY_DIR}/CPackConfig.cmake" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip
          -D CPACK_STRIP_FILES=OFF
  WORKING_DIRECTORY "${BINARY_DIR}"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${output}")
endif()
file(GLOB packages "${work}/vantor_*.deb")
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one vantor_*.deb, found: ${packages}")
endif()
list(GET packages 0 package)

# Reports a failure unless `text` contains `part`.
function(expect_contains text part message)
  string(FIND "${text}" "${part}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "${message}")
  endif()
endfunction()
# Reports a failure unless `value` is true (non-empty, not 0).
function(expect_true value message)
  if(NOT value)
    message(SEND_ERROR "${message}")
  endif()
endfunction()

execute_process(COMMAND dpkg-deb --contents "${package}" OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dpkg-deb cannot list ${package}")
endif()
# Keep only the paths (the last field of each line).
string(REGEX REPLACE "[^\n]* \\./" "/" paths "${listing}")
string(REGEX REPLACE " -> [^\n]*" "" paths "${paths}")

# Where the bundle lies depends on the configured library folder; the desktop entry must agree.
string(REGEX MATCH "/usr/[^\n]*/vantor/Vantor\\.app/Contents/MacOS/Vantor\n" executable "${paths}\n")
expect_true("${executable}" "the package holds no Vantor.app/Contents/MacOS/Vantor:\n${paths}")
string(STRIP "${executable}" executable)
string(REGEX REPLACE "/Contents/MacOS/Vantor$" "" app "${executable}")

foreach(required
    "${app}/Contents/Info.plist"
    "${app}/Contents/MacOS/Vantor"
    "${app}/Contents/Resources/en.lproj/Localizable.strings"
    "${app}/Contents/Resources/de.lproj/Localizable.strings"
    "${app}/Contents/Resources/Symbols/arrow.down.circle.fill.svg"
    "${app}/Contents/Library/LoginItems/VantorAgent.app/Contents/Info.plist"
    "${app}/Contents/Library/LoginItems/VantorAgent.app/Contents/MacOS/VantorAgent"
    "${app}/Contents/Library/LoginItems/VantorAgent.app/Contents/Resources/ja.lproj/Localizable.strings"
    "/usr/share/applications/com.quillon.vantor.desktop"
    "/usr/share/icons/hicolor/scalable/apps/com.quillon.vantor.svg")
  expect_contains("${paths}\n" "${required}\n" "the package lacks ${required}")
endforeach()

# Nothing outside the bundle, the launcher entry, the icon and the folders that hold them.
string(REPLACE "\n" ";" entries "${paths}")
foreach(entry IN LISTS entries)
  if(entry STREQUAL "" OR entry MATCHES "^/$" OR entry STREQUAL "/usr/" OR entry MATCHES "^/usr/(share/|share/applications/|share/icons/([^/]+/)*|lib/([^/]+/)?)$"
     OR entry MATCHES "^/usr/share/doc/vantor/" OR entry MATCHES "^${app}/?" OR entry MATCHES "/vantor/$"
     OR entry STREQUAL "/usr/share/applications/com.quillon.vantor.desktop"
     OR entry STREQUAL "/usr/share/icons/hicolor/scalable/apps/com.quillon.vantor.svg")
    continue()
  endif()
  message(SEND_ERROR "stray file in the package: ${entry}")
endforeach()

# The programs are executable.
foreach(program "${app}/Contents/MacOS/Vantor" "${app}/Contents/Library/LoginItems/VantorAgent.app/Contents/MacOS/VantorAgent")
  string(REGEX MATCH "-rwxr-xr-x[^\n]* \\.${program}\n" line "${listing}\n")
  expect_true("${line}" "${program} is not installed as an executable (rwxr-xr-x)")
endforeach()

# The desktop entry starts the installed bundle and says where it is.
execute_process(COMMAND dpkg-deb --extract "${package}" "${work}/root" RESULT_VARIABLE result)
file(READ "${work}/root/usr/share/applications/com.quillon.vantor.desktop" entry)
expect_contains("${entry}" "Exec=\"${app}/Contents/MacOS/Vantor\"" "the desktop entry does not start ${app}:\n${entry}")
expect_contains("${entry}" "X-Vantor-Bundle=${app}\n" "the desktop entry does not name the bundle ${app}:\n${entry}")
expect_contains("${entry}" "Icon=com.quillon.vantor\n" "the desktop entry names another icon:\n${entry}")

# Declared dependencies: the libraries the programs link, and the platform plugins Qt loads.
execute_process(COMMAND dpkg-deb --field "${package}" Package Architecture Depends
                OUTPUT_VARIABLE fields RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dpkg-deb cannot read the control fields")
endif()
foreach(field "Package: vantor" "libqt6widgets6" "libqt6dbus6" "libqt6network6" "libqt6svg6" "libsodium23"
              "libarchive13" "libc6" "libstdc++6" "qt6-qpa-plugins")
  expect_contains("${fields}" "${field}" "the package does not declare ${field}:\n${fields}")
endforeach()
string(REGEX MATCH "libicu[0-9]+" icu "${fields}")
expect_true("${icu}" "the package does not declare the ICU library:\n${fields}")

file(REMOVE_RECURSE "${work}")
