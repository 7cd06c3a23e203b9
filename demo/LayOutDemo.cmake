# Lays out the demo distribution: the runner at the top, the stand-in servers
# where a distribution carries Apache and MySQL, and the demo's own files.
# cmake -DSOURCE=demo -DDEST=folder -DRUNNER=vadrome.exe -DAPACHE=... -DMYSQLD=... -P LayOutDemo.cmake
foreach(var SOURCE DEST RUNNER APACHE MYSQLD)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "LayOutDemo.cmake needs -D${var}=")
  endif()
endforeach()

file(MAKE_DIRECTORY ${DEST}/bin/Apache ${DEST}/bin/mysql/bin ${DEST}/bin/mysql/share/english)
file(COPY ${SOURCE}/bin ${SOURCE}/www ${SOURCE}/data DESTINATION ${DEST})
configure_file(${RUNNER} ${DEST}/vadrome.exe COPYONLY)
configure_file(${APACHE} ${DEST}/bin/Apache/Apache.exe COPYONLY)
configure_file(${MYSQLD} ${DEST}/bin/mysql/bin/mysqld.exe COPYONLY)
