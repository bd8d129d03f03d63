# Time limits, in seconds, of the tests that take longer than most: ctest
# ends a test that outlives its limit, so that one that hangs costs
# seconds. Every other test has the limit gtest_discover_tests gives it
# (tests/CMakeLists.txt). Included by ctest after the tests are listed; a
# name a build has not listed is skipped. Measured on the 2-core development
# machine, the sanitized build the slowest: the interruptions about 40 s,
# the progress line 18 s, the random answers 13 s, the large carvings 11 s,
# the memory limits 6 s, the pictures of every format read back by their
# readers and renderers 25 s, the counts and books 15 s; under Wine all of them less.
set(mazegen_long_tests
  SaveTest.AnInterruptedSaveLeavesNoTemporaryFile 120
  RobustRun.ProgressLineOnATerminalOnly 60
  Wine.RobustRun.ProgressLineOnATerminalOnly 60
  Robustness.RandomAnswerStreams 60
  Wine.Robustness.RandomAnswerStreams 60
  Generator.SameLargeMazesAsTheListCarving 60
  Algorithms.EveryOneCarvesAPerfectMazeAgainFromItsSeed 60
  MemoryTest.AddressSpaceLimitsOnlyWhatIsNeeded 60
  RobustRun.ChoiceThreeUnderMemcheck 60
  Run.SavedTextAndPicturesAgree 120
  Wine.Run.SavedTextAndPicturesAgree 120
  Run.CountsMakeTheMazesOfSingleRuns 120
  Wine.Run.CountsMakeTheMazesOfSingleRuns 120)
# The tests each test program lists (gtest_discover_tests's <target>_TESTS).
set(mazegen_listed ${unit_tests_TESTS} ${e2e_tests_TESTS} ${wine_tests_TESTS})
while(mazegen_long_tests)
  list(POP_FRONT mazegen_long_tests name limit)
  list(FIND mazegen_listed ${name} listed)
  if(listed GREATER -1)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${limit})
  endif()
endwhile()
