# What the upgrade server sends: the check body as an installer name and its version against
# the running one, and a response header block. An accepted name that breaks the name rule
# aborts.
zvp_fuzzer(upgrade_offer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/upgrade_offer_fuzzer.cpp
  LIBS zvp_upgrade)
