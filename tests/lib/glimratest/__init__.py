"""What the Python test suites share: X servers, the D-Bus session and AT-SPI, bounded waits,
processes started and ended by PID, screenshots and blob counting, and the product's own facts.
A suite puts tests/lib on sys.path (ctest sets PYTHONPATH) and imports the modules it needs."""
