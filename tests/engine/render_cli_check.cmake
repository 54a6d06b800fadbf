# tarvik-render end to end: make a data folder (the test executable's fixture cannot be
# reused from CMake, so sqlite3 builds a tiny one), render the example, read the PDF back.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/data")
foreach(db Patient_data Reports BILLING)
  execute_process(COMMAND sqlite3 "${WORK}/data/${db}.sqlite" "CREATE TABLE IF NOT EXISTS t0(a);" RESULT_VARIABLE rc)
  if(rc)
    message(FATAL_ERROR "sqlite3 failed: ${rc}")
  endif()
endforeach()
execute_process(COMMAND sqlite3 "${WORK}/data/Patient_data.sqlite"
  "CREATE TABLE tbCollection(TranDate TEXT, Account TEXT, Name TEXT, Description TEXT, Debit REAL, Credit REAL); INSERT INTO tbCollection VALUES ('2026-01-05','1001','José Núñez','Room',100.10,0), ('2026-01-06','1001','Ann O''Brien','Pay',0,50.05);")
execute_process(COMMAND sqlite3 "${WORK}/data/Reports.sqlite"
  "CREATE TABLE tbCashier(Code TEXT, FullName TEXT, Shift TEXT); INSERT INTO tbCashier VALUES ('C1','Maria Cruz','AM');")

execute_process(COMMAND "${RENDER}" "${DATA}/collections.rpt" --data "${WORK}/data"
                        --param DateFrom=01/01/2026 --param DateTo=01/31/2026 --param Cashiers.Shift=AM
                        --title "St. Tarvik" --pdf "${WORK}/out.pdf" --csv "${WORK}/out.csv"
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(rc)
  message(FATAL_ERROR "tarvik-render failed (${rc}): ${err}")
endif()
execute_process(COMMAND pdftotext -layout "${WORK}/out.pdf" - OUTPUT_VARIABLE text)
foreach(expected "St. Tarvik" "José Núñez" "Ann O'Brien" "Maria Cruz" "Page 1 of 1" "100.10")
  string(FIND "${text}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the PDF lacks \"${expected}\":\n${text}")
  endif()
endforeach()

# A bad parameter value is an error naming it, with a non-zero exit.
execute_process(COMMAND "${RENDER}" "${DATA}/collections.rpt" --data "${WORK}/data"
                        --param DateFrom=31/31/2026 --pdf "${WORK}/bad.pdf"
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc OR NOT err MATCHES "DateFrom")
  message(FATAL_ERROR "a bad date was not refused: ${rc} ${err}")
endif()
