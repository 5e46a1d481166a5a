# Run by cpack before it packs a build made with STRIGOLO_SANITIZE: stops it.
message(FATAL_ERROR "strigolo: this build has sanitizers on; package a release build "
                    "(cmake -DCMAKE_BUILD_TYPE=Release -DSTRIGOLO_SANITIZE=OFF)")
