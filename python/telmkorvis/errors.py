"""The exceptions of the package. Each carries the programs' own message."""


class TelmKorvisError(Exception):
    """Base class of the package's errors."""


class ModelError(TelmKorvisError):
    """A model the shapes cannot make, or one the programs' checks refuse."""


class SurveyError(TelmKorvisError):
    """A survey that cannot be built, read or modelled."""


class ProgramNotFound(TelmKorvisError):
    """telm or korvis is not where the package looks for it."""


class SimulationError(TelmKorvisError):
    """A program run failed; the message is the program's, with its status."""

    def __init__(self, message, status=None, index=None):
        super().__init__(message)
        self.status = status
        self.index = index
