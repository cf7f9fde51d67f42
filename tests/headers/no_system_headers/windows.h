// Empty: the check reads only our own lines.
