.PHONY: run test bench installer release-check
run:
	scripts/run.sh
test:
	scripts/test.sh
bench:
	scripts/bench.sh
installer:
	scripts/installer.sh
release-check:
	scripts/release-check.sh
