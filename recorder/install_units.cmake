# Installs the systemd units of systemd/ (run by cmake --install): every
# service names the installed program and gets the sandbox of
# systemd/sandbox.conf after its [Service] line; timers are copied as they
# are.  The program's path is known only at install time (--prefix), so the
# files are made then, in a folder of the build tree for each prefix so that
# two installs at once do not share it.
#
# Set by the caller: unit_source (systemd/), unit_build (a build folder),
# sandbox (sandbox.conf with the store's folder filled in), sbindir and
# unit_dir (absolute, or relative to the install prefix).
foreach(dir sbindir unit_dir)
  if(NOT IS_ABSOLUTE "${${dir}}")
    set(${dir} "${CMAKE_INSTALL_PREFIX}/${${dir}}")
  endif()
endforeach()
string(MD5 prefix_key "${CMAKE_INSTALL_PREFIX}")
set(made "${unit_build}/${prefix_key}")
file(READ "${sandbox}" sandbox_text)
file(GLOB services "${unit_source}/*.service")
file(GLOB timers "${unit_source}/*.timer")
set(units ${timers})
foreach(service IN LISTS services)
  get_filename_component(name "${service}" NAME)
  file(READ "${service}" text)
  string(FIND "${text}" "\n[Service]\n" at)
  if(at LESS 0)
    message(FATAL_ERROR "${service} has no [Service] section")
  endif()
  string(REPLACE "\n[Service]\n" "\n[Service]\n${sandbox_text}" text "${text}")
  file(WRITE "${made}/${name}.in" "${text}")
  configure_file("${made}/${name}.in" "${made}/${name}" @ONLY)
  list(APPEND units "${made}/${name}")
endforeach()
file(INSTALL ${units} DESTINATION "${unit_dir}")
