.PHONY: run test bench installer
run:
	scripts/run.sh
test:
	scripts/test.sh
bench:
	scripts/bench.sh
installer:
	scripts/installer.sh
