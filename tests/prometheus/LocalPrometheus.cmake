# A real Prometheus and node_exporter on 127.0.0.1 for the tests that need them: the fixture
# "LocalPrometheus" starts both before the first test that requires it and stops them after the
# last. Its base URL is in ${VANTOR_LOCAL_PROMETHEUS_URL_FILE}; target files dropped into
# ${VANTOR_LOCAL_PROMETHEUS_DIR}/targets/ are collected as job "vantor" (see tools/local-prometheus.sh).
set(VANTOR_LOCAL_PROMETHEUS_DIR "${CMAKE_BINARY_DIR}/local-prometheus")
set(VANTOR_LOCAL_PROMETHEUS_URL_FILE "${VANTOR_LOCAL_PROMETHEUS_DIR}/url")
find_program(VANTOR_PROMETHEUS prometheus)
find_program(VANTOR_NODE_EXPORTER prometheus-node-exporter)
find_program(VANTOR_CURL curl)
if(VANTOR_PROMETHEUS AND VANTOR_NODE_EXPORTER AND VANTOR_CURL)
  set(_script "${PROJECT_SOURCE_DIR}/tools/local-prometheus.sh")
  add_test(NAME LocalPrometheusStart COMMAND bash "${_script}" start "${VANTOR_LOCAL_PROMETHEUS_DIR}")
  # The watchdog stops both when CTest goes away without running the cleanup.
  set_tests_properties(LocalPrometheusStart PROPERTIES
    FIXTURES_SETUP LocalPrometheus ENVIRONMENT "LOCAL_PROMETHEUS_WATCH_PARENT=1" TIMEOUT 180)
  add_test(NAME LocalPrometheusStop COMMAND bash "${_script}" stop "${VANTOR_LOCAL_PROMETHEUS_DIR}")
  set_tests_properties(LocalPrometheusStop PROPERTIES FIXTURES_CLEANUP LocalPrometheus TIMEOUT 60)

  add_test(NAME PrometheusCollectsTheExport
           COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/scrape_export.sh" "${VANTOR_LOCAL_PROMETHEUS_DIR}"
                   "$<TARGET_FILE:metrics_export_host>")
  set_tests_properties(PrometheusCollectsTheExport PROPERTIES FIXTURES_REQUIRED LocalPrometheus TIMEOUT 150)
else()
  message(STATUS "prometheus, prometheus-node-exporter or curl missing: no tests against a real Prometheus")
endif()
