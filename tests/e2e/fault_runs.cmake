# Updates under real faults (files held open, read-only mounts, a full drive,
# a link out of the media, two runs at once), in a Wine session of their own:
# the faults mount file systems, and whatever a run leaves mounted must never
# reach the session of the other end-to-end runs. The cleanup test undoes
# every mount below the session's folder before removing it. A fault that
# needs mounting is skipped (status 77) where this user may not mount.
set(fault_driver ${CMAKE_CURRENT_SOURCE_DIR}/fault_driver.py)
set(fault_session ${CMAKE_CURRENT_BINARY_DIR}/wine-fault-session)

add_test(NAME e2e_faults.session_setup
         COMMAND ${Python3_EXECUTABLE} ${fault_driver} setup --state ${fault_session})
add_test(NAME e2e_faults.session_teardown
         COMMAND ${Python3_EXECUTABLE} ${fault_driver} teardown --state ${fault_session})
set_tests_properties(e2e_faults.session_setup PROPERTIES FIXTURES_SETUP quadrivo_fault_session)
set_tests_properties(e2e_faults.session_teardown PROPERTIES
                     FIXTURES_CLEANUP quadrivo_fault_session)

execute_process(COMMAND ${Python3_EXECUTABLE} ${fault_driver} list
                OUTPUT_VARIABLE fault_names OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_CURRENT_SOURCE_DIR}/fault_scenarios.py)
string(REPLACE "\n" ";" fault_names "${fault_names}")
set(fault_runs)
foreach(name IN LISTS fault_names)
  add_test(NAME e2e_faults.${name}
           COMMAND ${Python3_EXECUTABLE} ${fault_driver} run ${name} --state ${fault_session}
                   --launcher $<TARGET_FILE:quadrivo_e2e_launcher>
                   --program $<TARGET_FILE:Quadrivo>)
  list(APPEND fault_runs e2e_faults.${name})
endforeach()
set_tests_properties(${fault_runs} PROPERTIES FIXTURES_REQUIRED quadrivo_fault_session
                     SKIP_RETURN_CODE 77)
set_tests_properties(e2e_faults.session_setup e2e_faults.session_teardown ${fault_runs}
                     PROPERTIES LABELS e2e-faults RESOURCE_LOCK quadrivo_fault_session
                                TIMEOUT 120)
# A run killed part-way is tried again at other moments until it leaves a
# temporary file behind; on a loaded machine that takes several runs.
if(TEST e2e_faults.run_killed_while_putting_in_place_then_again)
  set_tests_properties(e2e_faults.run_killed_while_putting_in_place_then_again PROPERTIES TIMEOUT 600)
endif()
